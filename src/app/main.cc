#include "app/entry.h"
#include "app/framework.h"

// The process-wide application object; it has no name.
Application TheApplication(nullptr);

int main(int argc, char** argv) { return RevstampMain(argc, argv, InitFramework); }

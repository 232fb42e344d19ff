#include "app/entry.h"
#include "app/framework.h"

// The process-wide application object.
Application TheApplication;

int main(int argc, char** argv) { return RevstampMain(argc, argv, InitFramework); }

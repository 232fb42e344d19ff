#include "app/framework.h"

namespace {
const Application* TheApplication = nullptr;
}  // namespace

Application::Application() { TheApplication = this; }

Application::~Application() {
  if (TheApplication == this) TheApplication = nullptr;
}

int InitFramework(ModuleHandle module, ModuleHandle /*previous*/, const char* commandLine,
                  int /*showState*/) {
  return TheApplication && module && commandLine ? 1 : 0;
}

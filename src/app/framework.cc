#include "app/framework.h"

namespace {
Application* TheApplication = nullptr;
}  // namespace

Application::Application(const char* name) : name_(name) {
  TheApplication = this;
}

Application::~Application() {
  if (TheApplication == this) TheApplication = nullptr;
}

Application* CurrentApplication() { return TheApplication; }

int InitFramework(ModuleHandle module, ModuleHandle /*previous*/,
                  const char* commandLine, int showState) {
  Application* app = CurrentApplication();
  if (!app || !module || !commandLine) return 0;
  app->module_ = module;
  app->commandLine_ = commandLine;
  app->showState_ = showState;
  return 1;
}

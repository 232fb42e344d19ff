// A small stand-in for the application framework a Windows tool of this kind
// is built on: one process-wide application object, and an initialisation
// step that binds it to the running module and may fail.
//
// The tool only needs to know whether initialisation succeeded; the object
// itself carries nothing of the tool's own.
#ifndef REVSTAMP_APP_FRAMEWORK_H_
#define REVSTAMP_APP_FRAMEWORK_H_

#include "app/platform.h"

/// The process's application object. Exactly one should exist for the whole
/// run; the executable defines it at namespace scope, so it is constructed
/// before main and destroyed at exit.
class Application {
 public:
  explicit Application(const char* name);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const char* name() const { return name_; }
  ModuleHandle module() const { return module_; }
  const char* commandLine() const { return commandLine_; }
  int showState() const { return showState_; }

 private:
  friend int InitFramework(ModuleHandle, ModuleHandle, const char*, int);
  const char* name_;
  ModuleHandle module_ = nullptr;
  const char* commandLine_ = nullptr;
  int showState_ = 0;
};

/// The application object currently alive, or null.
Application* CurrentApplication();

/// Binds the current application object to the running module, with the
/// previous instance (always null), the raw command line and the show state.
/// Returns 1 on success and 0 when there is no application object, no module
/// or no command line.
int InitFramework(ModuleHandle module, ModuleHandle previous,
                  const char* commandLine, int showState);

/// The shape of InitFramework, so that the entry routine can be handed
/// another initialisation (tests use one that fails).
using FrameworkInit = int (*)(ModuleHandle, ModuleHandle, const char*, int);

#endif  // REVSTAMP_APP_FRAMEWORK_H_

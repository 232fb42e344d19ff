// A small stand-in for the application framework a Windows tool of this kind
// is built on: one process-wide application object, and an initialisation
// step that needs it and may fail.
#ifndef REVSTAMP_APP_FRAMEWORK_H_
#define REVSTAMP_APP_FRAMEWORK_H_

#include "app/platform.h"

/// The process's application object; it has no name and carries nothing of
/// the tool's own. While one exists, initialisation can succeed. The
/// executable defines it at namespace scope, so it lives for the whole run.
class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
};

/// Initialises the framework for the running module, with the previous
/// instance (always null), the raw command line and the show state. Returns
/// 1 on success and 0 when there is no application object, no module or no
/// command line.
int InitFramework(ModuleHandle module, ModuleHandle previous,
                  const char* commandLine, int showState);

/// The shape of InitFramework, so that the entry routine can be handed
/// another initialisation (tests use one that fails).
using FrameworkInit = int (*)(ModuleHandle, ModuleHandle, const char*, int);

#endif  // REVSTAMP_APP_FRAMEWORK_H_

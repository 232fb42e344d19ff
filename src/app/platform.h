// The few things the driver needs from the operating system: the
// executable's own path, what the framework stand-in is handed at start-up,
// a standard output that writes bytes as they are, and a lock that keeps
// runs in one folder apart.
//
// platform-win32.cc calls the Win32 API; platform-posix.cc provides the same
// on Linux and macOS, converting paths to Windows form at this boundary.
#ifndef REVSTAMP_APP_PLATFORM_H_
#define REVSTAMP_APP_PLATFORM_H_

#include <cstdint>

#include "common/text_format.h"

/// Opaque handle of the executable's module; never null for a running tool.
using ModuleHandle = const void*;

/// The running executable's module (GetModuleHandleA with no name).
ModuleHandle CurrentModule();

/// The process's raw command line (GetCommandLineA). POSIX has no such line,
/// only the argument vector, so there it is the empty text.
const char* RawCommandLine();

/// Full path of the running executable, with '\' as separator: the path it
/// was started by (GetModuleFileNameA), links unresolved. On POSIX that is
/// its argv[0] made absolute, when that names the running executable;
/// otherwise (a tool found through PATH) the system's resolved path. Returns
/// false and leaves `path` empty when the path can't be obtained or doesn't
/// fit in kTextLimit - 1 characters. On POSIX, a path with a backslash in one
/// of its names is refused as well: in Windows form it would name another
/// file.
bool GetExecutablePath(TextBuffer& path);

/// Makes standard output write bytes unchanged (no LF to CR LF translation),
/// so that the tool's messages are exactly the bytes it prints.
void UseBinaryStandardOutput();

/// An exclusive lock on a folder, shared by every process that locks the
/// same folder, whatever path it names it by. It is held until the object
/// is destroyed; if the process dies first, the system releases it. Taking
/// it creates no file anywhere. On Windows it is a named mutex keyed by the
/// folder's file ID; on POSIX an flock on the folder itself.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  /// Waits, without a time limit, until no other process holds the lock of
  /// `folder`, then takes it. False when the folder can't be locked (it
  /// doesn't exist or can't be opened).
  bool Acquire(const char* folder);

 private:
  std::intptr_t handle_ = -1;  // a mutex HANDLE, or a descriptor
};

#endif  // REVSTAMP_APP_PLATFORM_H_

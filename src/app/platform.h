// The few things the driver needs from the operating system: the
// executable's own path, what the framework stand-in is handed at start-up,
// a standard output that writes bytes as they are, paths with their links
// resolved, and a lock that keeps runs in one work tree apart.
//
// platform-win32.cc calls the Win32 API; platform-posix.cc provides the same
// on Linux and macOS, converting paths to Windows form at this boundary.
#ifndef REVSTAMP_APP_PLATFORM_H_
#define REVSTAMP_APP_PLATFORM_H_

#include <chrono>
#include <cstdint>
#include <string>

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

/// `path` (in Windows form) with every symbolic link in it resolved, and on
/// Windows every junction, in Windows form. False when it can't be resolved,
/// such as when it doesn't exist.
bool ResolvePath(const std::string& path, std::string* resolved);

/// An exclusive lock named after a file or folder, shared by every process
/// that locks the same one, whatever path it names it by. It is held until
/// the object is destroyed; if the process dies first, the system releases
/// it. Taking it creates no file anywhere. On Windows it is a named mutex
/// keyed by the entry's volume and file index; on POSIX an flock on the
/// entry itself.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  /// Waits until no other process holds the lock of `path`, for at most
  /// `bound`, then takes it. False when the entry can't be opened, and when
  /// the wait went past `bound` (a `bound` of 0: one try).
  bool Acquire(const char* path, std::chrono::milliseconds bound);

 private:
  std::intptr_t handle_ = -1;  // a mutex HANDLE, or a descriptor
};

#endif  // REVSTAMP_APP_PLATFORM_H_

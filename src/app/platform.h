// Who the tool is and where it lives: the executable's own path, what the
// framework stand-in is handed at start-up, and a standard output that
// writes bytes as they are. (The work tree's lock is worktree_lock.h's.)
//
// platform-win32.cc calls the Win32 API; platform-posix.cc provides the same
// on Linux and macOS, converting paths to Windows form at this boundary.
#ifndef REVSTAMP_APP_PLATFORM_H_
#define REVSTAMP_APP_PLATFORM_H_

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

#endif  // REVSTAMP_APP_PLATFORM_H_

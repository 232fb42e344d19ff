// What the tool asks of the file system besides the file it stamps: whether
// a path names anything, and the start of a small file. Paths are in Windows
// form; file_system-posix.cc reads them in the system's form at its
// boundary, file_system-win32.cc hands them to the Win32 calls.
#ifndef REVSTAMP_COMMON_FILE_SYSTEM_H_
#define REVSTAMP_COMMON_FILE_SYSTEM_H_

#include <cstddef>
#include <string>

/// Whether `path` names an existing file or folder (PathFileExistsA). The
/// empty path names nothing.
bool PathExists(const std::string& path);

/// Reads at most `limit` bytes from the start of the regular file `path`
/// into `text`, sharing it with other readers and writers. False when there
/// is no such file (nothing, or a folder) or it can't be read.
bool ReadFileStart(const std::string& path, std::size_t limit, std::string* text);

#endif  // REVSTAMP_COMMON_FILE_SYSTEM_H_

// File operations of the patcher. file_io-win32.cc uses the Win32 calls;
// file_io-posix.cc provides the same on POSIX, reading '\' in paths as '/'.
#ifndef REVSTAMP_PATCH_FILE_IO_H_
#define REVSTAMP_PATCH_FILE_IO_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "patch/replacements.h"

/// A file's last-write time, in the system's own units and resolution.
struct FileTime {
  std::int64_t seconds = 0;  // Windows: the whole FILETIME
  std::int64_t nanoseconds = 0;
};

/// What opening a file to read it found.
enum class ReadOutcome {
  kRead,
  kNoFile,  // nothing there, or not a regular file (a folder, a FIFO)
  kHeld,    // another process holds it open without sharing (Windows)
  kFailed,  // a regular file that can't be read
};

/// An existing regular file, open to read it whole. Every open is one try
/// that never blocks: a FIFO never keeps it waiting for a writer.
class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  /// Opens `path` for reading and writing, shared with no one. Fails for
  /// anything but a regular file, a read-only file (even for an
  /// administrator or root), and a file that another process holds open
  /// without sharing (on POSIX: holds an flock on); `*held` tells the last
  /// apart, since it may go away.
  bool OpenExclusive(const std::string& path, bool* held);
  /// Opens `path` for reading, shared with other readers and writers.
  ReadOutcome OpenShared(const std::string& path);
  /// The file's length in bytes.
  bool Length(std::uint64_t* length);
  bool LastWriteTime(FileTime* time);
  /// Reads at most `count` bytes: the count read, 0 at the end of the file,
  /// or -1 on an error.
  long long Read(char* buffer, std::size_t count);
  void Close();

 private:
  std::intptr_t handle_ = -1;  // a HANDLE, or a descriptor; -1 when closed
};

/// Sets the last-write time of the file `path`; its other times stay.
bool SetLastWriteTime(const std::string& path, const FileTime& time);

/// The name of the new file that replaces a file: the file's own name, then
/// this, then six characters.
constexpr char kTempSuffix[] = ".revstamp-";

/// Replaces the content of the existing file `path` with `size` bytes, all
/// or nothing: they are written to a new file beside it, which is closed and
/// then moved over it in one step (on Windows a move that another process
/// holds the file against fails and sets `*held`). The file keeps its
/// permissions (and on POSIX its owner where allowed), its attributes on
/// Windows. A symbolic link is replaced by the new file; the file it points
/// to is never written. On failure the new file is removed and `path` keeps
/// its old bytes. An interrupt (POSIX: SIGINT, SIGTERM, SIGHUP; Windows:
/// Ctrl+C, Ctrl+Break, a closed console) is held off until then, and then
/// ends the process as usual.
///
/// There is no flush to disk before the move: it would cost a synchronous
/// write of the whole file on every build, to protect against a power cut
/// what the next run restores from Git anyway. (ext4, XFS and btrfs write a
/// file that replaces another by rename before the rename itself.)
bool ReplaceFileContent(const std::string& path, const char* data, std::size_t size,
                        bool* held);

/// While it lives, the interrupts that ReplaceFileContent holds off wait:
/// on POSIX, SIGINT, SIGTERM and SIGHUP are blocked (and SIGXFSZ ignored, so
/// that a write past a file-size limit fails as on a full disk); on Windows,
/// Ctrl+C, Ctrl+Break and a closed console wait in ConsoleInterrupt. Then
/// they act as usual. One at a time.
class InterruptsHeldOff {
 public:
  InterruptsHeldOff();
  ~InterruptsHeldOff();
  InterruptsHeldOff(const InterruptsHeldOff&) = delete;
  InterruptsHeldOff& operator=(const InterruptsHeldOff&) = delete;
};

/// Windows: the console's control handler, which the system calls on a
/// thread of its own. It waits while interrupts are held off, then hands
/// the event on (false) to the default handler, which ends the process.
bool ConsoleInterrupt(unsigned long event);

/// Removes the new files that ReplaceFileContent(`path`, ...) left behind in
/// a process killed outright (SIGKILL, TerminateProcess). Only for a caller
/// that keeps every other process from replacing `path` meanwhile.
void RemoveLeftTempFiles(const std::string& path);

#endif  // REVSTAMP_PATCH_FILE_IO_H_

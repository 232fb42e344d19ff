// The lock that keeps the runs in one work tree apart, from a run's restore
// until its rewrite is done: Git's restore takes the work tree's index lock
// and writes the file in steps that another run must not see.
//
// The lock is on the work tree's .git entry, found by the portable search
// in worktree_lock.cc; worktree_lock-posix.cc (flock) and -win32.cc (a named
// mutex) take it, and answer what the search asks of the file system.
#ifndef REVSTAMP_APP_WORKTREE_LOCK_H_
#define REVSTAMP_APP_WORKTREE_LOCK_H_

#include <chrono>
#include <cstdint>
#include <string>

/// The entry whose lock the runs of one work tree take turns on: its .git
/// (a folder, or a file in linked work trees and submodules), the first
/// upwards from `toolDirectory` with its links resolved, as Git finds it.
/// It belongs to Git alone, so a build that a script wraps in a lock on the
/// work tree's folder (flock <folder> <build>) doesn't wait for itself.
/// Outside a work tree, the tool's own executable.
std::string WorkTreeEntry(const std::string& toolDirectory);

/// The work tree's Git folder, where its index and the index's lock are:
/// `entry` itself when it is a folder; the folder that a .git file names
/// ("gitdir: <folder>", relative to the file's own folder or absolute), as
/// in linked work trees and submodules.
std::string GitFolder(const std::string& entry);

/// An exclusive lock named after a file or folder, shared by every process
/// that locks the same one, whatever path it names it by. It is held until
/// the object is destroyed; if the process dies first, the system releases
/// it. Taking it creates no file anywhere. On Windows it is a named mutex
/// keyed by the entry's volume and file index; on POSIX an flock on the
/// entry itself.
class WorkTreeLock {
 public:
  WorkTreeLock() = default;
  ~WorkTreeLock();
  WorkTreeLock(const WorkTreeLock&) = delete;
  WorkTreeLock& operator=(const WorkTreeLock&) = delete;

  /// Waits until no other process holds the lock of `entry`, for at most
  /// `bound`, then takes it. False when the entry can't be opened, and when
  /// the wait went past `bound` (a `bound` of 0: one try).
  bool Acquire(const std::string& entry, std::chrono::milliseconds bound);

 private:
  std::intptr_t handle_ = -1;  // a mutex HANDLE, or a descriptor
};

/// `path` (in Windows form) with every symbolic link in it resolved, and on
/// Windows every junction, in Windows form. False when it can't be resolved,
/// such as when it doesn't exist.
bool ResolvePath(const std::string& path, std::string* resolved);

#endif  // REVSTAMP_APP_WORKTREE_LOCK_H_

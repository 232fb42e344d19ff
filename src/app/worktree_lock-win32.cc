// Windows side of worktree_lock.h: a named mutex keyed by the entry's
// identity, and the file system's answers to the search.
#include "app/worktree_lock.h"

#include <windows.h>

#include <cstdio>

namespace {

// Opens a file or folder for its identity and its path, touching nothing.
HANDLE OpenEntry(const char* path) {
  return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

bool ResolvePath(const std::string& path, std::string* resolved) {
  HANDLE entry = OpenEntry(path.c_str());
  if (entry == INVALID_HANDLE_VALUE) return false;
  char final[MAX_PATH];
  DWORD length = GetFinalPathNameByHandleA(entry, final, sizeof final, VOLUME_NAME_DOS);
  CloseHandle(entry);
  if (length == 0 || length >= sizeof final) return false;
  // The system answers \\?\C:\... or \\?\UNC\server\share\...
  std::string name(final, length);
  if (name.compare(0, 8, "\\\\?\\UNC\\") == 0) name.replace(0, 8, "\\\\");
  else if (name.compare(0, 4, "\\\\?\\") == 0) name.erase(0, 4);
  *resolved = name;
  return true;
}

WorkTreeLock::~WorkTreeLock() {
  if (handle_ == -1) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

bool WorkTreeLock::Acquire(const std::string& entry, std::chrono::milliseconds bound) {
  // The mutex is named after the entry's volume and file index, so that
  // every spelling of its path (case, short names, mapped drives) meets the
  // same one.
  HANDLE opened = OpenEntry(entry.c_str());
  if (opened == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  BOOL known = GetFileInformationByHandle(opened, &info);
  CloseHandle(opened);
  if (!known) return false;
  char name[64];
  std::snprintf(name, sizeof name, "Local\\revstamp-%08lx-%08lx%08lx",
                info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
  // Not inheritable: a child that outlived the run would hold the lock.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (!mutex) return false;
  // An abandoned mutex (its holder died) is ours all the same.
  DWORD wait = WaitForSingleObject(mutex, static_cast<DWORD>(bound.count()));
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
    CloseHandle(mutex);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  return true;
}

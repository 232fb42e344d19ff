// Windows side of file_io.h.
#include "patch/file_io.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The errors of an open or a move that another process's handle stands in
// the way of: one opened without sharing, or without delete sharing.
bool HeldElsewhere(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// A file created beside the target for the new content; removed again
// unless Commit moved it over the target.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    // Named as on POSIX, after the target with six characters of its own.
    static unsigned count = 0;
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 12);
    for (int tries = 0; tries < 100 && handle_ == INVALID_HANDLE_VALUE; ++tries) {
      char suffix[8];
      std::snprintf(suffix, sizeof suffix, "%06x", (seed + count++ * 7919) & 0xffffff);
      path_ = target + kTempSuffix + suffix;
      handle_ = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle_ == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle_ == INVALID_HANDLE_VALUE) path_.clear();
  }
  ~TempFile() {
    Close();
    if (!path_.empty() && !committed_) DeleteFileA(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
      DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(handle_, data, chunk, &written, nullptr) || written == 0) return false;
      data += written;
      size -= written;
    }
    return true;
  }
  bool Close() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || CloseHandle(handle);
  }
  // Moves the new file over the target in one step, with the target's
  // attributes. (ReplaceFileA would keep its security too, but under Wine it
  // leaves files of its own behind when it fails; the new file inherits the
  // folder's security as the target normally did.)
  bool Commit(const std::string& target) {
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesA(path_.c_str(), attributes))
      return false;
    committed_ = MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    return committed_;
  }

 private:
  std::string path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool committed_ = false;
};

// Ctrl+C, Ctrl+Break and closing the console end the process from a thread
// of their own. While a rewrite holds this lock, that thread waits for it.
SRWLOCK Rewriting = SRWLOCK_INIT;

BOOL WINAPI OnConsoleEvent(DWORD event) { return ConsoleInterrupt(event); }

}  // namespace

InterruptsHeldOff::InterruptsHeldOff() {
  AcquireSRWLockExclusive(&Rewriting);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptsHeldOff::~InterruptsHeldOff() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  ReleaseSRWLockExclusive(&Rewriting);
}

bool ConsoleInterrupt(unsigned long) {
  AcquireSRWLockExclusive(&Rewriting);
  ReleaseSRWLockExclusive(&Rewriting);
  return false;  // on to the default handler, which ends the process
}

bool File::OpenExclusive(const std::string& path, bool* held) {
  Close();
  *held = false;
  // Windows itself refuses to open a read-only file for writing; Wine run
  // as root doesn't, so the attribute is asked too. It is asked first: Windows
  // refuses a read-only file with the same error as a file held elsewhere,
  // which is worth waiting for.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *held = HeldElsewhere(GetLastError());
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  if (GetFileType(file) != FILE_TYPE_DISK) {
    Close();
    return false;
  }
  return true;
}

ReadOutcome File::OpenShared(const std::string& path) {
  Close();
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return ReadOutcome::kNoFile;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_SHARING_VIOLATION ? ReadOutcome::kHeld : ReadOutcome::kFailed;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  if (GetFileType(file) != FILE_TYPE_DISK) {
    Close();
    return ReadOutcome::kNoFile;
  }
  return ReadOutcome::kRead;
}

bool File::Length(std::uint64_t* length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(AsHandle(handle_), &size)) return false;
  *length = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

bool File::LastWriteTime(FileTime* time) {
  FILETIME written;
  if (!GetFileTime(AsHandle(handle_), nullptr, nullptr, &written)) return false;
  time->seconds = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
  time->nanoseconds = 0;
  return true;
}

long long File::Read(char* buffer, std::size_t count) {
  DWORD chunk = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
  DWORD got = 0;
  if (!ReadFile(AsHandle(handle_), buffer, chunk, &got, nullptr)) return -1;
  return got;
}

void File::Close() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  handle_ = -1;
}

bool ReplaceFileContent(const std::string& path, const char* data, std::size_t size,
                        bool* held) {
  InterruptsHeldOff interrupts;  // until the new file is in place or removed
  TempFile temp(path);
  bool written = temp.ok() && temp.WriteAll(data, size) && temp.Close();
  if (written && temp.Commit(path)) return true;
  *held = written && HeldElsewhere(GetLastError());
  return false;
}

void RemoveLeftTempFiles(const std::string& path) {
  std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
  std::size_t length = path.size() - folder.size() + sizeof kTempSuffix - 1 + 6;
  WIN32_FIND_DATAA found;
  // A ? at the end of a pattern also matches nothing, hence the length.
  HANDLE search = FindFirstFileA((path + kTempSuffix + "??????").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do
    if (std::strlen(found.cFileName) == length) DeleteFileA((folder + found.cFileName).c_str());
  while (FindNextFileA(search, &found));
  FindClose(search);
}

bool SetLastWriteTime(const std::string& path, const FileTime& time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  auto ticks = static_cast<std::uint64_t>(time.seconds);
  FILETIME written = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  bool ok = SetFileTime(file, nullptr, nullptr, &written) != 0;
  CloseHandle(file);
  return ok;
}

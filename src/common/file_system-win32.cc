// Windows side of file_system.h.
#include "common/file_system.h"

#include <windows.h>
#include <shlwapi.h>

bool PathExists(const std::string& path) {
  return !path.empty() && PathFileExistsA(path.c_str());
}

bool ReadFileStart(const std::string& path, std::size_t limit, std::string* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;  // a folder too
  DWORD got = 0;
  text->assign(limit, '\0');
  bool ok = GetFileType(file) == FILE_TYPE_DISK &&
            ReadFile(file, &(*text)[0], static_cast<DWORD>(limit), &got, nullptr);
  CloseHandle(file);
  text->resize(ok ? got : 0);
  return ok;
}

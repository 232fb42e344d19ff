// POSIX side of platform.h: executable path, start-up values, folder lock.
#include "app/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace {

// POSIX has no module handles; the address of something inside the
// executable's image stands in for one.
const char ImageMarker = 0;

bool NativeExecutablePath(std::string* path) {
#if defined(__APPLE__)
  char raw[PATH_MAX];
  uint32_t size = sizeof raw;
  if (_NSGetExecutablePath(raw, &size) != 0) return false;
  char resolved[PATH_MAX];
  if (!realpath(raw, resolved)) return false;
  *path = resolved;
  return true;
#elif defined(__linux__)
  char raw[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", raw, sizeof raw);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof raw) return false;
  path->assign(raw, static_cast<size_t>(length));
  return true;
#else
  (void)path;
  return false;
#endif
}

}  // namespace

ModuleHandle CurrentModule() { return &ImageMarker; }

const char* RawCommandLine() { return ""; }

bool GetExecutablePath(TextBuffer& path) {
  path[0] = '\0';
  std::string native;
  if (!NativeExecutablePath(&native)) return false;
  if (native.size() >= kTextLimit || native.find('\\') != std::string::npos)
    return false;
  for (char& c : native)
    if (c == '/') c = '\\';
  std::memcpy(path, native.c_str(), native.size() + 1);
  return true;
}

void UseBinaryStandardOutput() {}

FolderLock::~FolderLock() {
  // Closing the descriptor releases the lock.
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool FolderLock::Acquire(const char* folder) {
  std::string native = folder;
  for (char& c : native)
    if (c == '\\') c = '/';
  // Close-on-exec: a child that outlived the run would hold the lock.
  int fd = open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int locked;
  do locked = flock(fd, LOCK_EX);
  while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

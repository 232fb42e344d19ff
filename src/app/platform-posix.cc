// POSIX side of platform.h: the executable's path and the start-up values.
#include "app/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__APPLE__)
#include <crt_externs.h>
#include <mach-o/dyld.h>
#endif

#include "common/paths.h"

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

// The first word the tool was started with, its argv[0].
std::string ProgramName() {
#if defined(__APPLE__)
  return *_NSGetArgv();
#else
  char name[PATH_MAX] = "";
  int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string();
  ssize_t length = read(fd, name, sizeof name - 1);
  close(fd);
  return length > 0 ? name : "";  // up to the first NUL
#endif
}

// `path`, absolute, with "." and ".." taken as words, not followed as links.
std::string Lexically(const std::string& path) {
  std::string normal;
  for (std::size_t start = 1, end; start <= path.size(); start = end + 1) {
    end = std::min(path.find('/', start), path.size());
    std::string name = path.substr(start, end - start);
    if (name == "..") normal.resize(normal.empty() ? 0 : normal.rfind('/'));
    else if (!name.empty() && name != ".") normal += "/" + name;
  }
  return normal;
}

// The path the tool was started by, made absolute against the working
// directory with no link resolved, as Windows' module path is: a tool
// linked into a project's folder then works in that folder. Empty for a
// tool found through PATH (a name without a slash), and for a path that
// doesn't name the running executable `executable`.
std::string StartedPath(const std::string& executable) {
  std::string started = ProgramName();
  if (started.find('/') == std::string::npos) return std::string();
  if (started[0] != '/') {
    char folder[PATH_MAX];
    if (!getcwd(folder, sizeof folder)) return std::string();
    started = std::string(folder) + "/" + started;
  }
  started = Lexically(started);
  struct stat named, running;
  if (stat(started.c_str(), &named) != 0 || stat(executable.c_str(), &running) != 0 ||
      named.st_dev != running.st_dev || named.st_ino != running.st_ino)
    return std::string();
  return started;
}

}  // namespace

ModuleHandle CurrentModule() { return &ImageMarker; }

const char* RawCommandLine() { return ""; }

bool GetExecutablePath(TextBuffer& path) {
  path[0] = '\0';
  std::string native;
  if (!NativeExecutablePath(&native)) return false;
  std::string started = StartedPath(native);
  if (!started.empty()) native = started;
  if (native.size() >= kTextLimit || native.find('\\') != std::string::npos)
    return false;
  native = WindowsPath(native);
  std::memcpy(path, native.c_str(), native.size() + 1);
  return true;
}

void UseBinaryStandardOutput() {}


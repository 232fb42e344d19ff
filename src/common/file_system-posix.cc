// POSIX side of file_system.h.
#include "common/file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/paths.h"

bool PathExists(const std::string& path) {
  struct stat info;
  return !path.empty() && stat(PosixPath(path).c_str(), &info) == 0;
}

bool ReadFileStart(const std::string& path, std::size_t limit, std::string* text) {
  // Never waiting on a FIFO for a writer.
  int fd = open(PosixPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  text->assign(ok ? limit : 0, '\0');
  ssize_t n = 0;
  if (ok) {
    do n = read(fd, &(*text)[0], limit);
    while (n < 0 && errno == EINTR);
  }
  close(fd);
  text->resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return ok && n >= 0;
}

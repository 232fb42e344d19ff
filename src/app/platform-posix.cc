// POSIX side of platform.h: executable path, start-up values, resolved
// paths, the lock.
#include "app/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
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

std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

void WakeUp(int) {}

// Interrupts a blocking call with EINTR once `bound` has passed, and every
// tenth of a second after that: a wake-up that comes just before the call
// blocks is not the last. While this object lives, SIGALRM is the timer's.
class Alarm {
 public:
  explicit Alarm(std::chrono::milliseconds bound) {
    struct sigaction wake = {};
    wake.sa_handler = WakeUp;  // no SA_RESTART: the call must end
    sigaction(SIGALRM, &wake, &savedAction_);
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_UNBLOCK, &alarm, &savedMask_);  // a parent may block it
    auto micros = std::chrono::duration_cast<std::chrono::microseconds>(bound).count();
    itimerval timer = {{0, 100000}, {static_cast<time_t>(micros / 1000000),
                                     static_cast<suseconds_t>(micros % 1000000)}};
    setitimer(ITIMER_REAL, &timer, nullptr);
  }
  ~Alarm() {
    itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &savedAction_, nullptr);
    pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
  }
  Alarm(const Alarm&) = delete;
  Alarm& operator=(const Alarm&) = delete;

 private:
  struct sigaction savedAction_ = {};
  sigset_t savedMask_;
};

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
  for (char& c : native)
    if (c == '/') c = '\\';
  std::memcpy(path, native.c_str(), native.size() + 1);
  return true;
}

void UseBinaryStandardOutput() {}

bool ResolvePath(const std::string& path, std::string* resolved) {
  char real[PATH_MAX];
  if (!realpath(NativePath(path).c_str(), real) || std::strchr(real, '\\')) return false;
  *resolved = real;
  std::replace(resolved->begin(), resolved->end(), '/', '\\');
  return true;
}

FileLock::~FileLock() {
  // Closing the descriptor releases the lock.
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool FileLock::Acquire(const char* path, std::chrono::milliseconds bound) {
  // Close-on-exec: a child that outlived the run would hold the lock.
  int fd = open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int locked = flock(fd, LOCK_EX | LOCK_NB);
  if (locked != 0 && errno == EWOULDBLOCK && bound.count() > 0) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    Alarm alarm(bound);
    do locked = flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR && std::chrono::steady_clock::now() < deadline);
  }
  if (locked != 0) {
    close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

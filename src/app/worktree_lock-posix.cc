// POSIX side of worktree_lock.h: an flock on the entry, bounded by a timer,
// and the file system's answers to the search.
#include "app/worktree_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/paths.h"

namespace {

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

bool ResolvePath(const std::string& path, std::string* resolved) {
  char real[PATH_MAX];
  if (!realpath(PosixPath(path).c_str(), real) || std::strchr(real, '\\')) return false;
  *resolved = WindowsPath(real);
  return true;
}

WorkTreeLock::~WorkTreeLock() {
  // Closing the descriptor releases the lock.
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool WorkTreeLock::Acquire(const std::string& entry, std::chrono::milliseconds bound) {
  // Close-on-exec: a child that outlived the run would hold the lock.
  int fd = open(PosixPath(entry).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

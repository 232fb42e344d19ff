// POSIX side of child_process.h: posix_spawn, a pipe for each output
// stream, and the "cmd /c" stand-in of command_line.h.
#include "process/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "process/command_line.h"

extern char** environ;

namespace {

// A file descriptor that closes itself.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// A close-on-exec pipe whose ends lie above the standard descriptors, so
// that the child's dup2 onto 1 and 2 never meets one of them (a dup2 onto
// itself would leave close-on-exec set).
bool MakePipe(Fd* readEnd, Fd* writeEnd) {
  int ends[2];
  if (pipe(ends) != 0) return false;
  for (int i = 0; i < 2; ++i) {
    int moved = fcntl(ends[i], F_DUPFD_CLOEXEC, 3);
    close(ends[i]);
    ends[i] = moved;
  }
  readEnd->Reset(ends[0]);
  writeEnd->Reset(ends[1]);
  return ends[0] >= 0 && ends[1] >= 0;
}

// The program file `name` names: itself if it holds a '/', otherwise the
// first executable regular file of that name in a directory of PATH. Empty
// entries of PATH are skipped rather than read as the working directory.
std::string FindProgram(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) {
      std::string candidate = dirs.substr(start, end - start) + "/" + name;
      struct stat info;
      if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
          access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    start = end + 1;
  }
  return std::string();
}

// Starts `program` with no input, its output stream on `output` and its
// error stream on `error`. Returns 0, or the error that kept it from
// starting (posix_spawn reports a failed exec too).
int Spawn(const std::string& program, char* const* argv, int output, int error, pid_t* pid) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return ENOMEM;
  int failed = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!failed) failed = posix_spawn_file_actions_adddup2(&actions, output, 1);
  if (!failed) failed = posix_spawn_file_actions_adddup2(&actions, error, 2);
  if (!failed) failed = posix_spawn(pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed;
}

// A descriptor that becomes readable when `pid` ends, or -1 where the system
// has none; the caller then polls the child every millisecond instead.
int OpenExitNotifier(pid_t pid) {
#if defined(SYS_pidfd_open)
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// Takes what is waiting in the pipe right now, and no more, into `result`
// (AppendWritten): a process that outlived the child may keep writing.
// Returns false when nothing was waiting (or the pipe failed).
bool ReadWaiting(int fd, bool isOutput, CommandResult* result) {
  int waiting = 0;
  if (ioctl(fd, FIONREAD, &waiting) != 0) return false;
  bool took = false;
  char buffer[kPipeSize];
  while (waiting > 0) {
    ssize_t n = read(fd, buffer, std::min<std::size_t>(sizeof buffer, waiting));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    AppendWritten(result, isOutput, buffer, static_cast<std::size_t>(n));
    waiting -= static_cast<int>(n);
    took = true;
  }
  return took;
}

// Collects what the child writes on its error stream (ends[0]) and its
// output stream (ends[1]) until it has ended, and its exit status. Returns
// when the child is reaped, whoever else still holds the pipes' write ends.
// Bytes waiting on both at once are taken from the error stream first: Git
// writes its messages as they come, and its output when it exits.
void Collect(pid_t pid, const int ends[2], CommandResult* result) {
  Fd exitNotifier(OpenExitNotifier(pid));
  for (int i = 0; i < 2; ++i) fcntl(ends[i], F_SETFL, fcntl(ends[i], F_GETFL) | O_NONBLOCK);
  char buffer[kPipeSize];
  bool open[2] = {true, true};
  int status = 0;
  pid_t reaped;
  do {
    pollfd events[3] = {{open[0] ? ends[0] : -1, POLLIN, 0}, {open[1] ? ends[1] : -1, POLLIN, 0},
                        {exitNotifier.get(), POLLIN, 0}};
    bool notified = exitNotifier.get() >= 0;
    poll(events, notified ? 3 : 2, notified ? -1 : 1);
    for (int i = 0; i < 2; ++i) {
      if (!open[i]) continue;
      ssize_t n = read(ends[i], buffer, sizeof buffer);
      if (n > 0) AppendWritten(result, i == 1, buffer, static_cast<std::size_t>(n));
      else if (n == 0 || (errno != EAGAIN && errno != EINTR)) open[i] = false;
    }
    // Once nobody can write any more, only the child's end is left to wait for.
    do reaped = waitpid(pid, &status, open[0] || open[1] ? WNOHANG : 0);
    while (reaped < 0 && errno == EINTR);
  } while (reaped == 0);
  if (reaped == pid)
    result->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // Everything the child wrote before it ended is in the pipes now.
  for (int i = 0; i < 2; ++i)
    if (open[i]) ReadWaiting(ends[i], i == 1, result);
}

}  // namespace

int RunChild(const std::string& commandLine, CommandResult* result) {
  *result = CommandResult();
  LaunchPlan plan = PlanLaunch(commandLine);
  // What the interpreter stand-in refuses, it answers itself: its message is
  // the output, and the status a failure, as the real interpreter's would be.
  if (!plan.interpreterError.empty()) {
    result->text = plan.interpreterError;
    result->exitStatus = 255;
    return 0;
  }
  if (plan.words.empty()) {  // "cmd /c" and nothing to run
    result->exitStatus = 0;
    return 0;
  }

  std::string program = FindProgram(plan.words[0]);
  std::vector<char*> argv;
  for (std::string& word : plan.words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  // A parent that ignores SIGCHLD, as daemons and build drivers do to avoid
  // zombies, passes that on through exec; the system then reaps children
  // itself, and their exit status is lost. The default is back for this
  // child, and so for its own children too.
  struct sigaction reaped = {};
  reaped.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &reaped, nullptr);
  Fd errorRead, errorWrite, outRead, outWrite;
  if (!MakePipe(&errorRead, &errorWrite) || !MakePipe(&outRead, &outWrite)) return 0;
  pid_t pid = -1;
  int error = program.empty() ? ENOENT
                              : Spawn(program, argv.data(), outWrite.get(), errorWrite.get(), &pid);
  outWrite.Close();
  errorWrite.Close();
  if (error != 0 && plan.viaInterpreter) {
    result->text = InterpreterNotFoundText(plan.words[0]);
    result->exitStatus = 9009;  // cmd.exe's for a command it can't find
    return 0;
  }
  const int ends[2] = {errorRead.get(), outRead.get()};
  if (error == 0) Collect(pid, ends, result);
  return error;
}

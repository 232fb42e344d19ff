// POSIX side of file_io.h.
#include "patch/file_io.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "common/paths.h"

namespace {

// A file created beside the target for the new content; removed again
// unless Commit moved it over the target.
class TempFile {
 public:
  explicit TempFile(const std::string& target) : path_(target + kTempSuffix + "XXXXXX") {
    fd_ = mkstemp(&path_[0]);
    created_ = fd_ >= 0;
  }
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (created_ && !committed_) unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  bool WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
      ssize_t n = write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  // Closes the file, reporting what a delayed write error says.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }
  bool Commit(const std::string& target) {
    committed_ = rename(path_.c_str(), target.c_str()) == 0;
    return committed_;
  }

 private:
  std::string path_;
  int fd_;
  bool created_;
  bool committed_ = false;
};

// What InterruptsHeldOff puts back.
struct sigaction SavedAction = {};
sigset_t SavedMask;

// Opens `path` without waiting for anything: a FIFO would otherwise keep
// the open waiting for a writer. (On a regular file, O_NONBLOCK changes
// nothing.)
int OpenNow(const std::string& path, int flags) {
  return open(PosixPath(path).c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

}  // namespace

// While the new file is written and moved into place, no signal may end the
// process halfway and leave that file behind. Children started outside this
// object's lifetime keep the defaults.
InterruptsHeldOff::InterruptsHeldOff() {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &SavedAction);
  sigset_t interrupts;
  sigemptyset(&interrupts);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal);
  pthread_sigmask(SIG_BLOCK, &interrupts, &SavedMask);
}

InterruptsHeldOff::~InterruptsHeldOff() {
  sigaction(SIGXFSZ, &SavedAction, nullptr);
  pthread_sigmask(SIG_SETMASK, &SavedMask, nullptr);
}

bool File::OpenExclusive(const std::string& path, bool* held) {
  Close();
  *held = false;
  int fd = OpenNow(path, O_RDWR);
  if (fd < 0) return false;
  handle_ = fd;
  struct stat info;
  // Windows refuses to open a read-only file for writing, whoever asks; root
  // here would get it, so the permission bits are asked too. An flock taken
  // elsewhere stands for a file open without sharing.
  bool writable = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                  (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  bool locked = writable && flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (!locked) {
    *held = writable && errno == EWOULDBLOCK;
    Close();
  }
  return locked;
}

ReadOutcome File::OpenShared(const std::string& path) {
  Close();
  struct stat info;
  if (stat(PosixPath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return ReadOutcome::kNoFile;
  int fd = OpenNow(path, O_RDONLY);
  if (fd < 0) return ReadOutcome::kFailed;
  handle_ = fd;
  // Something else may have taken the file's place meanwhile.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Close();
    return ReadOutcome::kNoFile;
  }
  return ReadOutcome::kRead;
}

bool File::Length(std::uint64_t* length) {
  struct stat info;
  if (handle_ < 0 || fstat(static_cast<int>(handle_), &info) != 0) return false;
  *length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool File::LastWriteTime(FileTime* time) {
  struct stat info;
  if (handle_ < 0 || fstat(static_cast<int>(handle_), &info) != 0) return false;
#if defined(__APPLE__)
  const struct timespec& written = info.st_mtimespec;
#else
  const struct timespec& written = info.st_mtim;
#endif
  *time = FileTime{written.tv_sec, written.tv_nsec};
  return true;
}

long long File::Read(char* buffer, std::size_t count) {
  ssize_t n;
  do n = read(static_cast<int>(handle_), buffer, count);
  while (n < 0 && errno == EINTR);
  return n;
}

void File::Close() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
  handle_ = -1;
}

bool ReplaceFileContent(const std::string& path, const char* data, std::size_t size,
                        bool* held) {
  *held = false;  // only Windows' move can be held up
  // A symbolic link is replaced like a file: what is stamped is the file in
  // the project's folder, never one a link points to, which other projects
  // may share. Its permissions are those of the file it pointed to.
  std::string target = PosixPath(path);
  struct stat info;
  if (stat(target.c_str(), &info) != 0) return false;

  InterruptsHeldOff interrupts;  // until the new file is in place or removed
  TempFile temp(target);
  if (temp.fd() < 0) return false;
  if (info.st_uid != geteuid() || info.st_gid != getegid()) {
    // Keeping the owner takes privileges that most users lack; a failure
    // here leaves the new file theirs, as any editor would.
    int ignored = fchown(temp.fd(), info.st_uid, info.st_gid);
    (void)ignored;
  }
  return fchmod(temp.fd(), info.st_mode & 07777) == 0 && temp.WriteAll(data, size) &&
         temp.Close() && temp.Commit(target);
}

void RemoveLeftTempFiles(const std::string& path) {
  std::string target = PosixPath(path);
  std::size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string prefix = target.substr(slash + 1) + kTempSuffix;  // npos + 1 is 0
  DIR* listing = opendir(folder.c_str());
  if (!listing) return;
  while (const dirent* entry = readdir(listing))
    if (std::strlen(entry->d_name) == prefix.size() + 6 &&
        std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
      unlinkat(dirfd(listing), entry->d_name, 0);
  closedir(listing);
}

bool SetLastWriteTime(const std::string& path, const FileTime& time) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {}};
  times[1].tv_sec = static_cast<time_t>(time.seconds);
  times[1].tv_nsec = static_cast<long>(time.nanoseconds);
  return utimensat(AT_FDCWD, PosixPath(path).c_str(), times, 0) == 0;
}

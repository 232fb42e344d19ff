// What the tests share: temporary folders, file contents, and the test
// binary re-run as a child process that plays a role (test_main.cc).
#ifndef REVSTAMP_TESTS_TEST_SUPPORT_H_
#define REVSTAMP_TESTS_TEST_SUPPORT_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

/// A fresh folder, removed with everything in it at the end.
struct TempFolder {
  fs::path path = fs::temp_directory_path() / ("revstamp-" + std::to_string(std::random_device{}()));
  TempFolder() { fs::create_directories(path); }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path operator/(const std::string& name) const { return path / name; }
};

inline std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

/// A file held open as other programs hold one, through calls of its own
/// rather than the tool's: on Windows for reading, sharing all it can (an
/// editor, a viewer), which an open without sharing must not get past; on
/// POSIX under an flock, which stands for that there.
struct HeldFile {
#ifdef _WIN32
  HANDLE handle;
  explicit HeldFile(const fs::path& file)
      : handle(CreateFileA(file.string().c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() { CloseHandle(handle); }
  bool held() const { return handle != INVALID_HANDLE_VALUE; }
#else
  int fd;
  bool locked;
  explicit HeldFile(const fs::path& file)
      : fd(open(file.c_str(), O_RDONLY | O_CLOEXEC)), locked(fd >= 0 && flock(fd, LOCK_EX) == 0) {}
  ~HeldFile() { close(fd); }
  bool held() const { return locked; }
#endif
};

/// A command line that re-runs the test binary as the child `role`, under
/// the emulator that runs the tests, if any (REVSTAMP_TEST_EMULATOR).
inline std::string ChildCommand(const std::string& role) {
  TextBuffer binary = "";
  GetExecutablePath(binary);
  const char* emulator = std::getenv("REVSTAMP_TEST_EMULATOR");
  std::string prefix = emulator && *emulator ? std::string(emulator) + " " : "";
  return prefix + "\"" + std::string(binary) + "\" --child=" + role;
}

#endif  // REVSTAMP_TESTS_TEST_SUPPORT_H_

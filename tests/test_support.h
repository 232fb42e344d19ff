// What the tests share: GoogleTest and the standard headers they use,
// temporary folders, file contents, the command runner, and the test binary
// re-run as a child process that plays a role (test_main.cc).
#ifndef REVSTAMP_TESTS_TEST_SUPPORT_H_
#define REVSTAMP_TESTS_TEST_SUPPORT_H_

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/platform.h"
#include "process/command_runner.h"

namespace fs = std::filesystem;

/// A fresh folder, removed with everything in it at the end.
struct TempFolder {
  fs::path path = fs::temp_directory_path() / ("revstamp-" + std::to_string(std::random_device{}()));
  TempFolder() { fs::create_directories(path); }
  ~TempFolder() { std::error_code ignored; fs::remove_all(path, ignored); }
  fs::path operator/(const std::string& name) const { return path / name; }
};

inline std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

/// A command line that re-runs the test binary as the child `role`, under
/// the emulator that runs the tests, if any (REVSTAMP_TEST_EMULATOR).
inline std::string ChildCommand(const std::string& role) {
  TextBuffer binary = "";
  GetExecutablePath(binary);
  const char* emulator = std::getenv("REVSTAMP_TEST_EMULATOR");
  std::string prefix = emulator && *emulator ? std::string(emulator) + " " : "";
  return prefix + "\"" + std::string(binary) + "\" --child=" + role;
}

/// Another process (test_main.cc) holds <folder>/<name> as `role` says:
/// "hold-lock" its work tree's lock (made a folder if there is nothing
/// there), "hold" the file, while this lives.
class Holder {
 public:
  Holder(const TempFolder& folder, const std::string& role, const std::string& name)
      : signs_(folder / "signs") {
    if (!fs::exists(folder / name)) fs::create_directory(folder / name);
    fs::create_directory(signs_);
    const std::string command = ChildCommand(role) + " \"" + signs_.string() + "\" \"" +
                                (folder / name).string() + "\"";
    child_ = std::async(std::launch::async, [command] { return RunCommand(command); });
    while (!fs::exists(signs_ / "held") &&
           child_.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout) {
    }
  }
  ~Holder() {
    std::error_code ignored;
    fs::remove_all(signs_, ignored);  // the holder's sign to let go
    child_.wait();
  }

 private:
  fs::path signs_;
  std::future<CommandResult> child_;
};

#endif  // REVSTAMP_TESTS_TEST_SUPPORT_H_

// Child roles of the test binary, for the command runner tests. Each one is
// what a real command might do to the pipe it writes into.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "test_support.h"

namespace testsupport {

namespace {

// Waits until `file` exists, for at most a minute, then removes it to say
// that it has seen it.
int Linger(const std::string& file) {
  for (int i = 0; i < 3000 && !fs::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::error_code ignored;
  fs::remove(file, ignored);
  return 0;
}

// Leaves a process behind that holds this process's output streams open
// until `file` exists.
bool StartLingeringProcess(const std::string& file) {
  std::fflush(stdout);
#ifdef _WIN32
  std::string line = ChildCommand("linger", "\"" + file + "\"");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process))
    return false;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
#else
  pid_t pid = fork();
  if (pid == 0) _exit(Linger(file));
  return pid > 0;
#endif
}

}  // namespace

bool ReleaseLingeringProcess(const fs::path& file) {
  WriteBytes(file, "");
  for (int i = 0; i < 3000 && fs::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return !fs::exists(file);
}

std::string BigOutput() {
  std::string text(1 << 20, '\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = (i % 64 == 63) ? '\n' : static_cast<char>('a' + i % 26);
  return text;
}

int RunTestChild(const std::string& role, int argc, char** argv) {
#ifdef _WIN32
  // Bytes as written, as a POSIX child would: no CR before each LF.
  _setmode(1, _O_BINARY);
  _setmode(2, _O_BINARY);
#endif
  if (role == "silent") return 0;
  if (role == "interleave") {
    for (const char* line : {"out 1\n", "err 1\n", "out 2\n"}) {
      std::FILE* stream = line[0] == 'e' ? stderr : stdout;
      std::fputs(line, stream);
      std::fflush(stream);
    }
    return 0;
  }
  if (role == "nul") {
    std::fwrite("before\0after\n", 1, 13, stdout);
    return 0;
  }
  if (role == "big") {
    std::string text = BigOutput();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (role == "args") {
    for (int i = 2; i < argc; ++i) std::printf("[%s]", argv[i]);
    return 0;
  }
  if (role == "background" && argc == 3) {
    if (!StartLingeringProcess(argv[2])) return 1;
    std::puts("started");
    return 0;
  }
  if (role == "linger" && argc == 3) return Linger(argv[2]);
  std::fprintf(stderr, "no such child role: %s\n", role.c_str());
  return 99;
}

}  // namespace testsupport

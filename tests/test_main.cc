// The test binary doubles as the children the tests need: started with
// --child=<role> it plays that role, and started as git (testbin/git, a
// copy) it plays git.
#include <fcntl.h>

#include <thread>

#include "app/entry.h"
#include "app/worktree_lock.h"
#include "test_support.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// git, for Windows programs under Wine where no real git.exe can be had
// (tests/windows-git.sh). Each call appends its arguments, in brackets, as a
// line to REVSTAMP_TEST_LOG. "rev-parse" prints REVSTAMP_TEST_HASH, and a
// warning on its error stream as git does for a deprecated setting;
// "checkout ... -- <path>" copies REVSTAMP_TEST_STORE/<path> over <path>,
// but refuses as git does while another process holds the index lock
// REVSTAMP_TEST_LOCK. Without a hash it answers as git outside a work tree.
int PlayGit(int argc, char** argv) {
  std::ofstream log(Env("REVSTAMP_TEST_LOG"), std::ios::app | std::ios::binary);
  for (int i = 1; i < argc; ++i) log << '[' << argv[i] << ']';
  log << '\n';
  const std::string command = argc > 1 ? argv[1] : "", hash = Env("REVSTAMP_TEST_HASH");
  const std::string path = argc >= 4 && std::strcmp(argv[argc - 2], "--") == 0 ? argv[argc - 1] : "";
  std::ifstream in(Env("REVSTAMP_TEST_STORE") + "/" + path, std::ios::binary);  // in the ANSI code page
  const char* fails = hash.empty() ? "fatal: not a git repository (or any of the parent directories): .git\n"
                      : command != "checkout" ? nullptr
                      : fs::exists(Env("REVSTAMP_TEST_LOCK")) ? "fatal: Unable to create '%s': File exists.\n"
                      : !in ? "error: pathspec did not match any file(s) known to git\n" : nullptr;
  if (fails) {
    std::fprintf(stderr, fails, Env("REVSTAMP_TEST_LOCK").c_str());
    return 128;
  }
  if (command == "rev-parse") {
    std::fputs("warning: core.fsyncObjectFiles is deprecated; use core.fsync instead\n", stderr);
    return std::printf("%s\n", hash.c_str()) < 0;
  }
  std::ofstream out(path, std::ios::binary);
  out << in.rdbuf();
  return out ? 0 : 128;
}

int PlayRole(const std::string& role, char** args) {
#ifdef _WIN32
  // <folder> <file>...: holds each file as an editor does (for reading,
  // sharing all it can) until <folder>/release exists, or <folder> is gone.
  // POSIX tests hold files, and the work tree's lock, with flock(1).
  if (role == "hold") {
    for (char** file = args + 1; *file; ++file)
      if (CreateFileA(*file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE)
        return 1;
    WriteBytes(fs::path(args[0]) / "held", "");
    while (!fs::exists(fs::path(args[0]) / "release") && fs::exists(args[0]))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
  }
#endif
  if (role == "lock") {  // <path> <ms>: whether the lock of <path> could be had within <ms>
    WorkTreeLock lock;
    return std::printf("%d", lock.Acquire(args[0], std::chrono::milliseconds(std::atoi(args[1])))) < 0;
  }
  if (role == "no-framework") {  // prints the tool's output, its status, whether it ran git
    fs::remove(Env("REVSTAMP_TEST_LOG"));
    { Application gone; }
    const char* argv[] = {"revstamp", "2"};
    int status = RevstampMain(2, argv, InitFramework);
    return std::printf("[%d %d]", status, fs::exists(Env("REVSTAMP_TEST_LOG"))) < 0;
  }
  if (role == "no-program") {
    UseBinaryStandardOutput();  // as the tool does first thing
    CommandResult result = RunCommand("revstamp-no-such-program --version");
    return std::printf("[%s %d]", result.text.c_str(), result.exitStatus) < 0;
  }
  if (role == "interleave") {  // a pause between lines, so that their order is plain
    for (const char* line : {"out 1\n", "err 1\n", "out 2\n"}) {
      std::FILE* stream = line[0] == 'e' ? stderr : stdout;
      std::fputs(line, stream), std::fflush(stream);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fwrite("\0after\n", 1, 7, stdout);  // the texts end at the NUL
  }
  if (role == "big") {  // 1 MiB; on Linux the pipe takes it all, and this ends at once
#ifdef F_SETPIPE_SZ
    fcntl(1, F_SETPIPE_SZ, 1 << 20);
#endif
    std::printf("%s.", std::string(1 << 20, 'x').c_str()), std::fflush(stdout);
    std::_Exit(0);
  }
  if (role == "linger") std::this_thread::sleep_for(std::chrono::seconds(15));
  if (role == "background") {  // leaves a process behind, holding the output
    std::puts("started"), std::fflush(stdout);
#ifdef _WIN32
    return std::system(("start \"\" /b " + ChildCommand("linger")).c_str());
#else
    return std::system("sleep 15 &");
#endif
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string role = argc >= 2 && std::strncmp(argv[1], "--child=", 8) == 0 ? argv[1] + 8 : "";
#ifdef _WIN32
  if (role != "no-framework" && role != "no-program") {  // those leave it to the tool
    _setmode(1, _O_BINARY);  // bytes as written, as a POSIX program's
    _setmode(2, _O_BINARY);
  }
#endif
  if (!role.empty()) return PlayRole(role, argv + 2);
  if (fs::path(argv[0]).stem() == "git") return PlayGit(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

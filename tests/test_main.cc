// The test binary doubles as the children the tests need: started with
// --child=<role> <argument>... it plays that role (kRoles), and started as
// git (testbin/git, a copy) it only notes that it was called.
#include <fcntl.h>

#include "app/entry.h"
#include "app/worktree_lock.h"
#include "test_support.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#endif

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Waits until <folder>/release exists, or <folder> is gone.
void AwaitRelease(const fs::path& folder) {
  WriteBytes(folder / "held", "");
  while (!fs::exists(folder / "release") && fs::exists(folder))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

#ifdef _WIN32
// <folder> <file>...: holds each file as an editor does (for reading,
// sharing all it can) until released.
int Hold(char** args) {
  for (char** file = args + 1; *file; ++file)
    if (CreateFileA(*file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE)
      return 1;
  AwaitRelease(args[0]);
  return 0;
}
#else
// <folder> <file>...: holds each file as another process does on POSIX:
// with an flock, until released.
int Hold(char** args) {
  for (char** file = args + 1; *file; ++file)
    if (flock(open(*file, O_RDONLY), LOCK_EX) != 0) return 1;
  AwaitRelease(args[0]);
  return 0;
}
#endif

// <folder> <path>: holds the lock of <path> until released.
int HoldLock(char** args) {
  WorkTreeLock lock;
  if (!lock.Acquire(args[1], std::chrono::milliseconds(0))) return 1;
  AwaitRelease(args[0]);
  return 0;
}

// The tool's output, its status, whether it ran git, without the
// application object.
int NoFramework(char**) {
  fs::remove(Env("REVSTAMP_TEST_LOG"));
  { Application gone; }
  const char* argv[] = {"revstamp", "2"};
  int status = RevstampMain(2, argv, InitFramework);
  return std::printf("[%d %d]", status, fs::exists(Env("REVSTAMP_TEST_LOG"))) < 0;
}

int NoProgram(char**) {
  UseBinaryStandardOutput();  // as the tool does first thing
  CommandResult result = RunCommand("revstamp-no-such-program --version");
  return std::printf("[%s %d]", result.text.c_str(), result.exitStatus) < 0;
}

// Lines on both streams, a pause between them so that their order is
// plain, and then bytes after a NUL, where the texts end.
int Interleave(char**) {
  for (const char* line : {"out 1\n", "err 1\n", "out 2\n"}) {
    std::FILE* stream = line[0] == 'e' ? stderr : stdout;
    std::fputs(line, stream);
    std::fflush(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::fwrite("\0after\n", 1, 7, stdout) != 7;
}

// 1 MiB; on Linux the pipe takes it all, and this ends at once.
int Big(char**) {
#ifdef F_SETPIPE_SZ
  fcntl(1, F_SETPIPE_SZ, 1 << 20);
#endif
  std::printf("%s.", std::string(1 << 20, 'x').c_str());
  std::fflush(stdout);
  std::_Exit(0);
}

int Linger(char**) {
  std::this_thread::sleep_for(std::chrono::seconds(15));
  return 0;
}

// Leaves a process behind, holding the output.
int Background(char**) {
  std::puts("started");
  std::fflush(stdout);
#ifdef _WIN32
  return std::system(("start \"\" /b " + ChildCommand("linger")).c_str());
#else
  return std::system("sleep 15 &");
#endif
}

const std::map<std::string, int (*)(char**)> kRoles = {
    {"hold", Hold}, {"hold-lock", HoldLock}, {"no-framework", NoFramework}, {"no-program", NoProgram},
    {"interleave", Interleave}, {"big", Big}, {"linger", Linger}, {"background", Background},
};

}  // namespace

int main(int argc, char** argv) {
  std::string role = argc >= 2 && std::strncmp(argv[1], "--child=", 8) == 0 ? argv[1] + 8 : "";
#ifdef _WIN32
  if (role != "no-framework" && role != "no-program") {  // those leave it to the tool
    _setmode(1, _O_BINARY);  // bytes as written, as a POSIX program's
    _setmode(2, _O_BINARY);
  }
#endif
  if (kRoles.count(role)) return kRoles.at(role)(argv + 2);
  if (fs::path(argv[0]).stem() == "git") {
    std::ofstream(Env("REVSTAMP_TEST_LOG"), std::ios::app) << argv[0] << '\n';
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

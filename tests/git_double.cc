// A stand-in for git, for tests that can't or shouldn't run the real one
// (Windows programs under Wine can't run Linux git and read its output).
//
// Every call appends its arguments, each in brackets, as one line to the
// file named by REVSTAMP_TEST_LOG. Then:
//   git rev-parse --short HEAD   prints REVSTAMP_TEST_HASH (default 1a2b3c4)
//   git checkout <path>          copies REVSTAMP_TEST_STORE/<path> over <path>
// Outside a work tree (no .git in the working directory or above it), and
// for anything else or a path the store doesn't hold, it fails as git would.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name, const char* fallback = "") {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

bool InWorkTree() {
  std::error_code error;
  for (fs::path dir = fs::current_path(error); !error; dir = dir.parent_path()) {
    if (fs::exists(dir / ".git")) return true;
    if (dir == dir.parent_path()) break;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(1, _O_BINARY);
  _setmode(2, _O_BINARY);
#endif
  std::string log = Env("REVSTAMP_TEST_LOG");
  if (!log.empty()) {
    std::ofstream out(log, std::ios::app | std::ios::binary);
    for (int i = 1; i < argc; ++i) out << '[' << argv[i] << ']';
    out << '\n';
  }
  std::string command;
  for (int i = 1; i < argc; ++i) command += std::string(i > 1 ? " " : "") + argv[i];

  if (!InWorkTree()) {
    std::fputs("fatal: not a git repository (or any of the parent directories): .git\n",
               stderr);
    return 128;
  }
  if (command == "rev-parse --short HEAD") {
    std::printf("%s\n", Env("REVSTAMP_TEST_HASH", "1a2b3c4").c_str());
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "checkout") {
    // Streams rather than fs::copy_file, which MinGW's library gets wrong
    // for existing targets.
    std::string store = Env("REVSTAMP_TEST_STORE");
    std::ifstream in(fs::path(store) / argv[2], std::ios::binary);
    if (!store.empty() && in) {
      std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
      if (in.peek() != std::ifstream::traits_type::eof()) out << in.rdbuf();
      return out ? 0 : 1;
    }
    std::fprintf(stderr,
                 "error: pathspec '%s' did not match any file(s) known to git\n",
                 argv[2]);
    return 1;
  }
  std::fprintf(stderr, "git double: unsupported command: %s\n", command.c_str());
  return 1;
}

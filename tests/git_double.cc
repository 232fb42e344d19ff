// A stand-in for git, for Windows programs under Wine, which can't run the
// Linux one.
//
// Every call appends its arguments, each in brackets, as one line to the
// file named by REVSTAMP_TEST_LOG. Then:
//   git rev-parse --short HEAD   prints REVSTAMP_TEST_HASH
//   git checkout <path>          copies REVSTAMP_TEST_STORE/<path> over <path>
// With REVSTAMP_TEST_HASH unset or empty it answers as git outside a work
// tree; anything else, or a path the store doesn't hold, fails as git would.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(1, _O_BINARY);
  _setmode(2, _O_BINARY);
#endif
  if (const char* log = std::getenv("REVSTAMP_TEST_LOG")) {
    std::ofstream out(log, std::ios::app | std::ios::binary);
    for (int i = 1; i < argc; ++i) out << '[' << argv[i] << ']';
    out << '\n';
  }
  const char* hash = std::getenv("REVSTAMP_TEST_HASH");
  const char* store = std::getenv("REVSTAMP_TEST_STORE");
  std::string command = argc > 1 ? argv[1] : "";
  if (!hash || !*hash) {
    std::fputs("fatal: not a git repository (or any of the parent directories): .git\n", stderr);
    return 128;
  }
  if (command == "rev-parse") {
    std::printf("%s\n", hash);
    return 0;
  }
  if (command == "checkout" && argc == 3 && store) {
    // Narrow paths: they are in the ANSI code page, as the tool's own.
    std::ifstream in(std::string(store) + "/" + argv[2], std::ios::binary);
    if (in) {
      std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
      out << in.rdbuf();
      return 0;
    }
  }
  std::fprintf(stderr, "error: pathspec '%s' did not match any file(s) known to git\n",
               argc > 2 ? argv[2] : "");
  return 1;
}

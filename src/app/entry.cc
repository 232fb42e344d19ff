#include "app/entry.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "app/platform.h"
#include "app/stamp_targets.h"
#include "app/tool_location.h"
#include "process/command_runner.h"

const char kFrameworkInitFailed[] =
    "\xb4\xed\xce\xf3: MFC \xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc\n";

const char kRevParseCommand[] = "cmd /c git rev-parse --short HEAD";

namespace {

// Removes every line feed from `text`, in place. Carriage returns stay.
void RemoveLineFeeds(std::string& text) {
  text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
}

}  // namespace

int RevstampMain(int argc, const char* const* argv, FrameworkInit init) {
  UseBinaryStandardOutput();
  LocateTool();
  if (!init(CurrentModule(), nullptr, RawCommandLine(), 0)) {
    std::printf("%s", kFrameworkInitFailed);
    return 1;
  }
  int mode = ModeFromArguments(argc, argv);
  CommandResult revParse = RunCommand(kRevParseCommand);
  // Git warns on its error stream and still succeeds (a deprecated setting,
  // an ambiguous name): then only its output is the hash. When it fails, its
  // message takes the hash's place.
  std::string CommitHash = revParse.exitStatus == 0 ? revParse.standardOutput : revParse.text;
  RemoveLineFeeds(CommitHash);
  StampTarget(mode, CommitHash, revParse.exitStatus == 0);
  return 0;
}

int ModeFromArguments(int argc, const char* const* argv) {
  return argc == 2 ? ParseMode(argv[1]) : 1;
}

int ParseMode(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // Accumulate towards the sign's limit so that INT_MIN itself is reachable.
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -value : value);
}

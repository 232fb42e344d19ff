// Quoting of restore-command file names: a name that is accepted reaches
// git as exactly one word, equal to the name, and the interpreter stand-in
// finds nothing in the line to act on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/stamp_targets.h"
#include "fuzz_check.h"
#include "process/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string name = UpToNul(std::string(reinterpret_cast<const char*>(data), size));

  std::string quoted;
  if (!QuoteFileName(name, &quoted)) {
    bool unprotectable = name.find_first_of("%!\"*?[") != std::string::npos ||
                         name[0] == '-' || name[0] == ':';
    for (char c : name) unprotectable |= static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    FUZZ_CHECK(unprotectable);
    return 0;
  }
  std::vector<std::string> expected = {"git", "checkout", name};
  FUZZ_CHECK(SplitCommandLine("git checkout " + quoted) == expected);
  LaunchPlan plan = PlanLaunch("cmd /c git checkout " + quoted);
  FUZZ_CHECK(plan.interpreterError.empty());
  for (char& c : expected[2])
    if (c == '\\') c = '/';
  FUZZ_CHECK(plan.words == expected);
  return 0;
}

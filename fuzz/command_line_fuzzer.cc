// Windows command-line splitting and the interpreter stand-in's plan.
//
// Besides not crashing: arguments quoted the way the Microsoft C runtime
// documents split back into exactly themselves, and whatever the stand-in
// plans to run is consistent with the line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_check.h"
#include "process/command_line.h"

namespace {

// Quotes one argument so that the C runtime reads it back unchanged:
// backslashes are doubled only where they come before a double quote.
std::string QuoteArgument(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  std::string quoted = "\"";
  std::size_t slashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    quoted += c;
  }
  quoted.append(2 * slashes, '\\');
  return quoted + '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::string line = input.ConsumeRandomLengthString(512);

  std::vector<std::string> words = SplitCommandLine(line);
  FUZZ_CHECK(!words.empty());
  LaunchPlan plan = PlanLaunch(line);
  FUZZ_CHECK(plan.interpreterError.empty() || plan.words.empty());
  for (const std::string& word : plan.words) FUZZ_CHECK(word.find('\\') == std::string::npos);
  if (!plan.viaInterpreter) FUZZ_CHECK(plan.words.size() == words.size());

  // Round trip: arbitrary arguments (no NULs: lines are C texts), quoted.
  std::vector<std::string> arguments = {"program"};
  std::string joined = "program";
  while (input.remaining_bytes() > 0) {
    std::string argument = UpToNul(input.ConsumeRandomLengthString(64));
    arguments.push_back(argument);
    joined += " " + QuoteArgument(argument);
  }
  FUZZ_CHECK(SplitCommandLine(joined) == arguments);
  return 0;
}

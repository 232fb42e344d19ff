#include "process/command_line.h"

#include "test_support.h"

using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsAsTheCRuntimeDoes) {
  struct Case { const char* line; Words words; } cases[] = {
      {"git checkout -- \"My Proj.rc\"", {"git", "checkout", "--", "My Proj.rc"}},
      {"a \t b  ", {"a", "b"}}, {"a \"\"", {"a", ""}}, {"", {""}},
      {"a b\\\\c", {"a", "b\\\\c"}},        // backslashes alone are literal
      {"a b\\\\\"c d\"", {"a", "b\\c d"}},  // 2N before a quote: N, and it quotes
      {"a b\\\\\\\"c", {"a", "b\\\"c"}},    // 2N+1: N and a literal quote
      {"a \"b\"\"c\" d", {"a", "b\"c", "d"}}, {"a \"b c", {"a", "b c"}},  // "" in quotes; left open
      {"\"C:\\My Tools\\x.exe\"\\ y", {"C:\\My Tools\\x.exe\\", "y"}},  // the program's name
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

TEST(CommandLineTest, TheInterpreterStandInRunsOnlySimpleCommands) {
  struct Case { const char* line; bool viaInterpreter; Words words; } cases[] = {  // words: / for a backslash
      {"cmd /c git rev-parse --short HEAD", true, {"git", "rev-parse", "--short", "HEAD"}},
      {"CMD.EXE  /C  git checkout -- Properties\\AssemblyInfo.cs", true,
       {"git", "checkout", "--", "Properties/AssemblyInfo.cs"}},
      {"cmd /c git checkout -- \"x&y (1)^|<>.rc\"", true,
       {"git", "checkout", "--", "x&y (1)^|<>.rc"}},
      {"cmd /c", true, {}}, {"cmd /cgit", false, {"cmd", "/cgit"}},
      {"git status", false, {"git", "status"}},
  };
  for (const Case& c : cases) {
    LaunchPlan plan = PlanLaunch(c.line);
    EXPECT_TRUE(plan.viaInterpreter == c.viaInterpreter && plan.words == c.words &&
                plan.interpreterError.empty()) << c.line;
  }
  // What the real interpreter would act on: refused, never run.
  for (const char* line : {"cmd /c git checkout -- x&y.rc", "cmd /c echo a^b", "cmd /c echo (a)",
                           "cmd /c echo \"50%\"", "cmd /c echo a\tb", "cmd /c \"git\" status"}) {
    LaunchPlan plan = PlanLaunch(line);
    EXPECT_TRUE(plan.words.empty() &&
                plan.interpreterError == "The syntax of the command is incorrect.\n") << line;
  }
}

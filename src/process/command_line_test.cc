#include "process/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsLikeTheCRuntime) {
  struct Case {
    std::string line;
    Words words;
  } cases[] = {
      {"git rev-parse --short HEAD", {"git", "rev-parse", "--short", "HEAD"}},
      {"git checkout \"My Proj.rc\"", {"git", "checkout", "My Proj.rc"}},
      {"git  checkout\t x ", {"git", "checkout", "x"}},
      // The program name: quotes only group, backslashes are literal.
      {"\"C:\\Program Files\\git.exe\" a", {"C:\\Program Files\\git.exe", "a"}},
      {"C:\\bin\\\"my git\\\" a", {"C:\\bin\\my git\\", "a"}},
      {" git", {"", "git"}},
      {"", {""}},
      // Arguments: backslashes count only before a double quote.
      {"p \"a b c\" d e", {"p", "a b c", "d", "e"}},
      {"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
      {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
      {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
      {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
      {"p a\\", {"p", "a\\"}},
      // "" inside quotes is a literal quote, and quoting goes on.
      {"p a\"b\"\" c d", {"p", "ab\" c d"}},
      {"p \"\" x", {"p", "", "x"}},
      {"p \"unclosed arg", {"p", "unclosed arg"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

TEST(CommandLineTest, PlansInterpreterAndDirectLaunches) {
  const std::string kSyntax = "The syntax of the command is incorrect.\n";
  struct Case {
    std::string line;
    bool viaInterpreter;
    Words words;
    std::string error;
  } cases[] = {
      {"cmd /c git rev-parse --short HEAD", true, {"git", "rev-parse", "--short", "HEAD"}, ""},
      {"CMD.exe /C git status", true, {"git", "status"}, ""},
      {"cmd /c git checkout Properties\\AssemblyInfo.cs", true,
       {"git", "checkout", "Properties/AssemblyInfo.cs"}, ""},
      {"cmd /c git checkout \"x&y (1).rc\"", true, {"git", "checkout", "x&y (1).rc"}, ""},
      {"cmd /c git checkout My Proj.rc", true, {"git", "checkout", "My", "Proj.rc"}, ""},
      {"cmd /c", true, {}, ""},
      {"cmd /c   ", true, {}, ""},
      // What the real interpreter would act on is refused, not run.
      {"cmd /c git checkout x&y.rc", true, {}, kSyntax},
      {"cmd /c git checkout \"a\"&b", true, {}, kSyntax},
      {"cmd /c git checkout %USERNAME%.rc", true, {}, kSyntax},
      {"cmd /c git checkout \"100%.rc\"", true, {}, kSyntax},
      {"cmd /c git checkout a\nb", true, {}, kSyntax},
      {"cmd /c \"git\" status", true, {}, kSyntax},
      // Anything else starts its first word directly.
      {"git status", false, {"git", "status"}, ""},
      {"cmd /cgit status", false, {"cmd", "/cgit", "status"}, ""},
      {"cmd /k git", false, {"cmd", "/k", "git"}, ""},
      {"prog a\\b &", false, {"prog", "a/b", "&"}, ""},
  };
  for (const Case& c : cases) {
    LaunchPlan plan = PlanLaunch(c.line);
    EXPECT_EQ(plan.viaInterpreter, c.viaInterpreter) << c.line;
    EXPECT_EQ(plan.words, c.words) << c.line;
    EXPECT_EQ(plan.interpreterError, c.error) << c.line;
  }
  for (char c : std::string("&|<>^()"))
    EXPECT_EQ(PlanLaunch(std::string("cmd /c git a") + c + "b").interpreterError, kSyntax) << c;
}

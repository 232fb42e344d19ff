#include "process/command_line.h"

#include "test_support.h"

using Words = std::vector<std::string>;

TEST(CommandLineTest, TheInterpreterStandInRunsOnlySimpleCommands) {
  // Split as the C runtime splits: 2N backslashes before a quote give N and
  // quote, 2N+1 give N and a literal quote; "" in quotes is a quote.
  LaunchPlan plan = PlanLaunch("CMD.EXE  /C  x -- \"x&y (1)^|<>\\a.rc\" b\\\\\"c d\" \"e\"\"f\"");
  EXPECT_TRUE(plan.viaInterpreter);
  EXPECT_EQ(plan.words, (Words{"x", "--", "x&y (1)^|<>/a.rc", "b/c d", "e\"f"}));
  EXPECT_FALSE(PlanLaunch("cmd /cgit").viaInterpreter);
  // What the real interpreter would act on: refused, never run.
  for (const char* line : {"cmd /c git checkout -- x&y.rc", "cmd /c echo a^b", "cmd /c echo (a)",
                           "cmd /c echo \"50%\"", "cmd /c echo a\tb", "cmd /c \"git\" status"}) {
    plan = PlanLaunch(line);
    EXPECT_EQ(plan.words, Words()) << line;
    EXPECT_EQ(plan.interpreterError, "The syntax of the command is incorrect.\n") << line;
  }
}

#include "process/command_runner.h"

#include "test_support.h"

// Quoted words through the real interpreter and the POSIX stand-in are
// tested end to end (tests/e2e.sh); here, children that write what git
// never does.
TEST(CommandRunnerTest, ReturnsWhatTheChildWroteAndHowItEnded) {
  struct Case {
    std::string role, text, standardOutput;
    int exitStatus;
  } cases[] = {
      {"interleave", "out 1\nerr 1\nout 2\n", "out 1\nout 2\n", 0},  // in order, cut at a NUL
      // the child's RunCommand, which can't start a program: its message, no output
      {"no-program", "CreateProcess last error 2 \n[ -1]", "CreateProcess last error 2 \n[ -1]", 0},
  };
  for (const Case& c : cases) {
    CommandResult result = RunCommand(ChildCommand(c.role));
    EXPECT_EQ(result.text, c.text) << c.role;
    EXPECT_EQ(result.standardOutput, c.standardOutput) << c.role;
    EXPECT_EQ(result.exitStatus, c.exitStatus) << c.role;
  }
}

// More than the pipe holds, most of it still there when the child ends: a
// race the runner must win however it falls, so it is run five times.
TEST(CommandRunnerTest, TakesAllThatWaitsWhenTheChildEnds) {
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(RunCommand(ChildCommand("big")).text, std::string(1 << 20, 'x') + ".");
}

// The process left behind holds the pipe for 15 seconds.
TEST(CommandRunnerTest, ReturnsWhenTheChildEndsNotThePipe) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunCommand(ChildCommand("background")).text, "started\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

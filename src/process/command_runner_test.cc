#include "process/command_runner.h"

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "app/platform.h"
#include "test_support.h"

using namespace testsupport;

TEST(CommandRunnerTest, ReturnsWhatTheChildWrote) {
  struct Case {
    std::string role, output;
  } cases[] = {
      {"interleave", "out 1\nerr 1\nout 2\n"},  // both streams, in order
      {"silent", ""},
      {"nul", "before"},  // cut at the first NUL
      {"big", BigOutput()},
  };
  for (const Case& c : cases) {
    CapturedStdout captured;
    std::string output = RunCommand(ChildCommand(c.role));
    EXPECT_EQ(captured.Finish(), "") << c.role;
    EXPECT_EQ(output.size(), c.output.size()) << c.role;
    EXPECT_TRUE(output == c.output) << c.role;
  }
}

TEST(CommandRunnerTest, ReturnsWhenTheChildEndsEvenIfItsPipeStaysOpen) {
  TempFolder folder;
  std::string release = folder.ToolPath("release");
  auto start = std::chrono::steady_clock::now();
  std::string output = RunCommand(ChildCommand("background", "\"" + release + "\""));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(output, "started\n");
  // The process left behind holds the pipe for a minute unless released.
  EXPECT_LT(elapsed, std::chrono::seconds(30));
  EXPECT_TRUE(ReleaseLingeringProcess(folder.path() / "release"));
}

TEST(CommandRunnerTest, ReportsAProgramThatCannotBeStarted) {
  CapturedStdout captured;
  UseBinaryStandardOutput();  // as the tool does first thing
  std::string output = RunCommand("revstamp-no-such-program --version");
  EXPECT_EQ(captured.Finish(), "CreateProcess last error 2 \n");
  EXPECT_EQ(output, "");
}

TEST(CommandRunnerTest, InterpreterRunsProgramsFromPathWithSplitArguments) {
  PathPrefix path(TestBinaryFolder());
  CapturedStdout captured;
  std::string output =
      RunCommand("cmd /c revstamp_tests --child=args a \"b c\" \"x&y\" d\\e");
  EXPECT_EQ(captured.Finish(), "");
#ifdef _WIN32
  EXPECT_EQ(output, "[a][b c][x&y][d\\e]");
#else
  EXPECT_EQ(output, "[a][b c][x&y][d/e]");
#endif
}

TEST(CommandRunnerTest, InterpreterReportsAMissingProgramInItsOutput) {
  CapturedStdout captured;
  std::string output = RunCommand("cmd /c revstamp-no-such-program status");
  EXPECT_EQ(captured.Finish(), "");
  EXPECT_NE(output.find("revstamp-no-such-program"), std::string::npos) << output;
}

#ifndef _WIN32
TEST(CommandRunnerTest, InterpreterStandInRefusesWhatCmdWouldInterpret) {
  TempFolder folder;
  std::string marker = folder.ToolPath("ran");
  EXPECT_EQ(RunCommand("cmd /c echo x & touch " + marker),
            "The syntax of the command is incorrect.\n");
  EXPECT_FALSE(fs::exists(folder.path() / "ran"));
}
#endif

#include "app/entry.h"

#include <gtest/gtest.h>

#include "process/command_runner.h"
#include "test_support.h"

// The mode rule and the commit hash are tested end to end (tests/e2e.sh);
// what needs the framework to fail is tested here, in a child process
// (test_main.cc) whose output RunCommand catches.
TEST(EntryTest, WithoutTheApplicationObjectPrintsTheMessageAndStops) {
  // The 21 bytes of the message, exit status 1, and no call of git.
  EXPECT_EQ(RunCommand(ChildCommand("no-framework")).text,
            "\xb4\xed\xce\xf3: MFC \xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc\n[1 0]");
}

#include "app/entry.h"

#include "test_support.h"

TEST(EntryTest, ModeFromTheArguments) {
  struct Case {
    std::vector<const char*> arguments;  // after the program's name
    int mode;
  } cases[] = {
      {{}, 1}, {{"2", "x"}, 1}, {{" \t+2x"}, 2}, {{"abc"}, 0}, {{"- 2"}, 0},
      {{"-2147483648"}, INT_MIN},
      // Out of range: never wrapped round to a mode that stamps.
      {{"4294967297"}, INT_MAX}, {{"-4294967298"}, INT_MIN},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"revstamp"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::string shown;
    for (const char* a : c.arguments) shown += std::string("[") + a + "]";
    EXPECT_EQ(ModeFromArguments(static_cast<int>(argv.size()), argv.data()), c.mode) << shown;
  }
}

// What needs the framework to fail runs in a child process (test_main.cc),
// whose output RunCommand catches: the 21 bytes of the message, exit status
// 1, and no call of git.
TEST(EntryTest, WithoutTheApplicationObjectPrintsTheMessageAndStops) {
  EXPECT_EQ(RunCommand(ChildCommand("no-framework")).text,
            "\xb4\xed\xce\xf3: MFC \xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc\n[1 0]");
}

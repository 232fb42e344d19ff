#include "app/entry.h"

#include "test_support.h"

TEST(EntryTest, ModeFromTheArguments) {
  struct Case { std::vector<const char*> arguments; int mode; } cases[] = {  // after the name
      {{}, 1}, {{"2"}, 2}, {{"2", "x"}, 1}, {{"1", "2", "3"}, 1}, {{"2x"}, 2}, {{" \t2"}, 2},
      {{"+2"}, 2}, {{"-1"}, -1}, {{"abc"}, 0}, {{""}, 0}, {{"- 2"}, 0}, {{"3"}, 3},
      {{"2147483647"}, INT_MAX}, {{"-2147483648"}, INT_MIN},
      // Out of range: never wrapped round to a mode that stamps.
      {{"4294967297"}, INT_MAX}, {{"-4294967298"}, INT_MIN}, {{"99999999999999999999992"}, INT_MAX},
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
// whose output RunCommand catches.
TEST(EntryTest, WithoutTheApplicationObjectPrintsTheMessageAndStops) {
  // The 21 bytes of the message, exit status 1, and no call of git.
  EXPECT_EQ(RunCommand(ChildCommand("no-framework")).text,
            "\xb4\xed\xce\xf3: MFC \xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc\n[1 0]");
}

#include "app/entry.h"

#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/tool_location.h"
#include "test_support.h"

using namespace testsupport;

TEST(EntryTest, ParsesModeLikeAtoiButSaturates) {
  struct Case {
    const char* text;
    int mode;
  } cases[] = {
      {"2", 2}, {"-1", -1}, {"abc", 0}, {"", 0}, {"2x", 2}, {"\t\n\v\f\r 2", 2},
      {"+2", 2}, {"- 2", 0}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
      // Out of range: saturate, never wrap into a real mode.
      {"2147483648", INT_MAX}, {"4294967297", INT_MAX}, {"4294967298", INT_MAX},
      {"-4294967295", INT_MIN}, {"99999999999999999999999999", INT_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMode(c.text), c.mode) << '"' << c.text << '"';
}

TEST(EntryTest, RemovesLineFeedsButKeepsCarriageReturns) {
  std::string text = "1a2b3c4\r\n\nfatal: x\n";
  RemoveLineFeeds(text);
  EXPECT_EQ(text, "1a2b3c4\rfatal: x");
}

// The run sequence in this process, with the git double on PATH recording
// what it is asked.
class RunSequenceTest : public testing::Test {
 protected:
  RunSequenceTest() : path_(TestDoubleFolder()) {
    SetEnv("REVSTAMP_TEST_LOG", log().string());
  }
  ~RunSequenceTest() override { SetEnv("REVSTAMP_TEST_LOG", ""); }
  fs::path log() const { return folder_.path() / "git.log"; }

  int Run(std::vector<const char*> argv, FrameworkInit init, std::string* out) {
    CapturedStdout captured;
    int status = RevstampMain(static_cast<int>(argv.size()), argv.data(), init);
    *out = captured.Finish();
    return status;
  }

 private:
  TempFolder folder_;
  PathPrefix path_;
};

int FailingInit(ModuleHandle, ModuleHandle, const char*, int) { return 0; }

TEST_F(RunSequenceTest, FrameworkFailurePrintsTheMessageAndStops) {
  ToolDirectory[0] = '\0';
  std::string out;
  EXPECT_EQ(Run({"revstamp", "2"}, FailingInit, &out), 1);
  const unsigned char expected[] = {0xb4, 0xed, 0xce, 0xf3, 0x3a, 0x20, 0x4d,
                                    0x46, 0x43, 0x20, 0xb3, 0xf5, 0xca, 0xbc,
                                    0xbb, 0xaf, 0xca, 0xa7, 0xb0, 0xdc, 0x0a};
  EXPECT_EQ(out, std::string(expected, expected + sizeof expected));
  EXPECT_STRNE(ToolDirectory, "") << "the tool is located before the framework starts";
  EXPECT_FALSE(fs::exists(log())) << "no command may run after the failure";

  // The real initialisation fails the same way without an application object.
  ASSERT_EQ(CurrentApplication(), nullptr);
  EXPECT_EQ(Run({"revstamp", "0"}, InitFramework, &out), 1);
  EXPECT_EQ(out, kFrameworkInitFailed);
}

TEST_F(RunSequenceTest, WithTheFrameworkUpRunsRevParseAndEndsWithZero) {
  Application app(nullptr);
  std::string out;
  EXPECT_EQ(Run({"revstamp", "0"}, InitFramework, &out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(ReadBytes(log()), "[rev-parse][--short][HEAD]\n");
  EXPECT_EQ(app.module(), CurrentModule());
}

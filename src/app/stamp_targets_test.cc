#include "app/stamp_targets.h"

#include <string>

#include <gtest/gtest.h>

#include "app/tool_location.h"
#include "process/command_line.h"
#include "test_support.h"

using namespace testsupport;

namespace {

const char kSearch1[] = "VALUE \"OriginalFilename\", \"Widget.exe\"";
const char kSearch2[] = "[assembly: AssemblyCopyright(\"\")]";

std::string N(std::size_t count, char c = 'n') { return std::string(count, c); }

}  // namespace

TEST(StampTargetsTest, BuildsTheTextsOfEachMode) {
  struct Case {
    int mode;
    std::string directory, folder, hash;
    // Empty when the mode must do nothing.
    std::string path, restore, search, replacement;
  } cases[] = {
      {1, "C:\\src\\Widget\\", "Widget", "1a2b3c4", "C:\\src\\Widget\\\\Widget.rc",
       "cmd /c git checkout Widget.rc", kSearch1, "VALUE \"OriginalFilename\", \"1a2b3c4\""},
      {2, "C:\\src\\Widget\\", "Widget", "1a2b3c4",
       "C:\\src\\Widget\\\\Properties\\AssemblyInfo.cs",
       "cmd /c git checkout Properties\\AssemblyInfo.cs", kSearch2,
       "[assembly: AssemblyCopyright(\"1a2b3c4\")]"},
      {2, "C:\\src\\Widget\\", "Widget", "", "C:\\src\\Widget\\\\Properties\\AssemblyInfo.cs",
       "cmd /c git checkout Properties\\AssemblyInfo.cs", kSearch2, kSearch2},
      // At a drive's root the folder name is empty.
      {1, "C:\\", "", "1a2b3c4", "C:\\\\.rc", "cmd /c git checkout .rc",
       "VALUE \"OriginalFilename\", \".exe\"", "VALUE \"OriginalFilename\", \"1a2b3c4\""},
      // A name the interpreter would split is quoted...
      {1, "C:\\My Proj\\", "My Proj", "1a2b3c4", "C:\\My Proj\\\\My Proj.rc",
       "cmd /c git checkout \"My Proj.rc\"", "VALUE \"OriginalFilename\", \"My Proj.exe\"",
       "VALUE \"OriginalFilename\", \"1a2b3c4\""},
      // ...and those quotes can't protect are not used at all.
      {1, "C:\\100%\\", "100%", "1a2b3c4", "", "", "", ""},
      {2, "C:\\100%\\", "100%", "1a2b3c4", "C:\\100%\\\\Properties\\AssemblyInfo.cs",
       "cmd /c git checkout Properties\\AssemblyInfo.cs", kSearch2,
       "[assembly: AssemblyCopyright(\"1a2b3c4\")]"},
      // Other modes, and a tool that doesn't know where it is, do nothing.
      {0, "C:\\src\\Widget\\", "Widget", "1a2b3c4", "", "", "", ""},
      {1, "", "", "1a2b3c4", "", "", "", ""},
  };
  for (const Case& c : cases) {
    StampTexts texts;
    bool built = BuildStampTexts(c.mode, c.hash, c.directory.c_str(), c.folder.c_str(), &texts);
    std::string what = std::to_string(c.mode) + " " + c.directory;
    ASSERT_EQ(built, !c.path.empty()) << what;
    if (!built) continue;
    EXPECT_EQ(texts.targetPath, c.path) << what;
    EXPECT_EQ(texts.restoreCommand, c.restore) << what;
    EXPECT_EQ(texts.searchText, c.search) << what;
    EXPECT_EQ(texts.replacementText, c.replacement) << what;
  }
}

TEST(StampTargetsTest, AModeDoesNothingWhenOneOfItsTextsWouldNotFit) {
  struct Case {
    int mode;
    std::string directory, folder, hash;
    bool fits;
  } cases[] = {
      // Path: the folder appears twice, in the directory and the file name.
      {1, "\\" + N(126) + "\\", N(126), "h", true},
      {1, "\\" + N(127) + "\\", N(127), "h", false},
      // Search text: the folder name, on its own, up to 227 characters.
      {1, "\\", N(227), "h", true},
      {1, "\\", N(228), "h", false},
      {2, "\\" + N(230) + "\\", "x", "h", true},
      {2, "\\" + N(231) + "\\", "x", "h", false},
      // Replacement: a long error message in the hash's place.
      {1, "\\w\\", "w", N(231, 'h'), true},
      {1, "\\w\\", "w", N(232, 'h'), false},
      {2, "\\w\\", "w", N(226, 'h'), true},
      {2, "\\w\\", "w", N(227, 'h'), false},
  };
  for (const Case& c : cases) {
    StampTexts texts;
    EXPECT_EQ(BuildStampTexts(c.mode, c.hash, c.directory.c_str(), c.folder.c_str(), &texts),
              c.fits)
        << c.mode << " " << c.directory.size() << " " << c.folder.size() << " " << c.hash.size();
  }
}

TEST(StampTargetsTest, QuotedNamesReachGitAsOneWord) {
  struct Case {
    std::string name, quoted;
  } cases[] = {
      {"Widget.rc", "Widget.rc"},
      {"a&b|c<d>e^f(g).rc", "\"a&b|c<d>e^f(g).rc\""},
      {"ends in\\", "\"ends in\\\\\""},
      {"", "\"\""},
  };
  for (const Case& c : cases) {
    std::string quoted;
    ASSERT_TRUE(QuoteFileName(c.name, &quoted)) << c.name;
    EXPECT_EQ(quoted, c.quoted);
    LaunchPlan plan = PlanLaunch("cmd /c git checkout " + quoted);
    EXPECT_EQ(plan.interpreterError, "") << c.name;
    EXPECT_EQ(SplitCommandLine("git checkout " + quoted),
              (std::vector<std::string>{"git", "checkout", c.name}));
  }
  for (std::string name : {"100%.rc", "a!b.rc", "a\"b.rc", "tab\t.rc", "nl\n.rc", "-bx.rc",
                           ":^W.rc", "App[12].rc", "A*.rc", "A?.rc"}) {
    std::string quoted;
    EXPECT_FALSE(QuoteFileName(name, &quoted)) << name;
  }
}

TEST(StampTargetsTest, StampsOnlyHashesThatKeepTheStringIntact) {
  for (std::string hash : {"1a2b3c4", "", "fatal: not a git repository (or any...): .git"})
    EXPECT_TRUE(IsStampableHash(hash)) << hash;
  for (std::string hash : {"1a2b3c4\r", "a\"b", "a\\b", "a\tb", "a\x7f"})
    EXPECT_FALSE(IsStampableHash(hash)) << hash;
}

// The whole step in this process, for what the end-to-end tests can't
// arrange: the git double on PATH restores files from a store and records
// its calls.
class StampTargetTest : public testing::Test {
 protected:
  StampTargetTest() : path_(TestDoubleFolder()) {
    fs::create_directories(folder_.path() / "Widget" / ".git");
    fs::create_directories(folder_.path() / "store");
    WriteBytes(rc(), kCommitted);
    WriteBytes(folder_.path() / "store" / "Widget.rc", kCommitted);
    SetEnv("REVSTAMP_TEST_LOG", (folder_.path() / "git.log").string());
    SetEnv("REVSTAMP_TEST_STORE", (folder_.path() / "store").string());
    SetEnv("REVSTAMP_TEST_HASH", "1a2b3c4");
    FormatText(ToolDirectory, "%s\\", folder_.ToolPath("Widget").c_str());
    FormatText(ToolFolderName, "%s", "Widget");
    saved_ = fs::current_path();
    fs::current_path(folder_.path() / "Widget");
  }
  ~StampTargetTest() override {
    fs::current_path(saved_);
    SetEnv("REVSTAMP_TEST_LOG", "");
    SetEnv("REVSTAMP_TEST_STORE", "");
    SetEnv("REVSTAMP_TEST_HASH", "");
  }
  fs::path rc() const { return folder_.path() / "Widget" / "Widget.rc"; }
  std::string calls() const { return ReadBytes(folder_.path() / "git.log"); }

  const std::string kCommitted = "x\r\nVALUE \"OriginalFilename\", \"Widget.exe\"\r\n";
  TempFolder folder_;
  PathPrefix path_;
  fs::path saved_;
};

TEST_F(StampTargetTest, AHashThatWouldBreakTheFileIsNotStamped) {
  WriteBytes(rc(), "edited since the last commit");
  StampTarget(1, "'git' is not recognized\r");
  EXPECT_EQ(calls(), "[checkout][Widget.rc]\n");
  EXPECT_EQ(ReadBytes(rc()), kCommitted);
}

TEST_F(StampTargetTest, TextsThatDontFitStopTheModeBeforeTheRestore) {
  WriteBytes(rc(), "edited since the last commit");
  StampTarget(1, N(232, 'h'));
  EXPECT_EQ(calls(), "");
  EXPECT_EQ(ReadBytes(rc()), "edited since the last commit");
}

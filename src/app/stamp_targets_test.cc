#include "app/stamp_targets.h"

#include "app/tool_location.h"
#include "common/paths.h"
#include "test_support.h"

namespace {

const std::string kRc = "VALUE \"OriginalFilename\", \"", kCs = "[assembly: AssemblyCopyright(\"";
const std::string kRestore = "cmd /c git checkout --ignore-skip-worktree-bits -- ";

}  // namespace

// Each mode's texts, and a name in quotes, are checked byte for byte end to
// end; here, a drive's root, and the names the restore command refuses:
// quotes don't protect the first four from the interpreter, and Git reads
// the others as an option or a pattern that restores other files too.
TEST(StampTargetsTest, RefusesFolderNamesTheCommandCantCarry) {
  StampTexts texts;
  ASSERT_TRUE(BuildStampTexts(1, "h", "C:\\", "", &texts));  // a drive's root
  EXPECT_EQ(texts.searchText, kRc + ".exe\"");
  for (const char* folder : {"100%", "a!b", "a\"b", "a\tb", "-bx", ":^W", "A*", "App[12]"})
    EXPECT_FALSE(BuildStampTexts(1, "h", "C:\\src\\", folder, &texts)) << folder;
  for (const char* folder : {"a-b", "a:b", "Café", "工具"})
    EXPECT_TRUE(BuildStampTexts(1, "h", "C:\\src\\", folder, &texts)) << folder;
}

TEST(StampTargetsTest, BuildsEveryTextWholeOrNone) {
  // The longest folder name and hashes whose texts take kTextLimit - 1.
  const std::size_t folder = kTextLimit - 1 - (kRestore + ".rc").size();
  const std::size_t hash1 = kTextLimit - 1 - (kRc + "\"").size();
  const std::size_t hash2 = kTextLimit - 1 - (kCs + "\")]").size();
  struct Case {
    int mode;
    std::size_t folder, hash;
    bool built;
  } cases[] = {{1, folder, 1, true}, {1, folder + 1, 1, false}, {1, 1, hash1, true},
               {1, 1, hash1 + 1, false}, {2, 1, hash2 + 1, false}};
  for (const Case& c : cases) {
    StampTexts texts;
    std::string name(c.folder, 'n'), hash(c.hash, 'h');
    EXPECT_EQ(BuildStampTexts(c.mode, hash, "\\", name.c_str(), &texts), c.built)
        << c.mode << " " << c.folder << " " << c.hash;
    // A text at the limit is whole: a search text without its closing quote
    // would still match, and the stamp would leave a stray quote behind.
    if (c.built && c.mode == 1) {
      EXPECT_EQ(texts.searchText, kRc + name + ".exe\"");
    }
  }
  StampTexts texts;  // the tool's folder unknown; modes that stamp nothing
  for (int mode : {1, 0, 3})
    EXPECT_FALSE(BuildStampTexts(mode, "h", mode == 1 ? "" : "\\", "", &texts)) << mode;
}

// Only what Git prints for a commit is stamped, never its error message.
TEST(StampTargetsTest, OnlyACommitHashIsOne) {
  for (const char* hash : {"abc", "1A2B3C4", "1a2b3c4\r"})
    EXPECT_FALSE(IsCommitHash(hash)) << hash;
  EXPECT_TRUE(IsCommitHash("abcd"));
}

// A run behind a holder stuck on the work tree's lock, or on the file, gives
// up once that one's bound has passed, the file as it was: it doesn't try
// again until the restore's bound.
TEST(StampTargetsTest, GivesUpOnWhatIsHeldForGood) {
  using std::chrono::milliseconds;
  for (bool lockHeld : {true, false}) {
    TempFolder folder;
    fs::create_directories(folder / "Properties");
    const fs::path file = folder / "Properties/AssemblyInfo.cs";
    WriteBytes(file, kCs + "\")]");
    ASSERT_TRUE(FormatText(ToolDirectory, "%s", WindowsPath((folder.path / "").string()).c_str()));
    Holder holder(folder, lockHeld ? "hold-lock" : "hold", lockHeld ? ".git" : file.string());
    StampBounds bounds{milliseconds(30000)};
    (lockHeld ? bounds.lock : bounds.heldFile) = milliseconds(100);
    const auto start = std::chrono::steady_clock::now();
    StampTarget(2, "1a2b3c4", true, bounds);
    EXPECT_LT(std::chrono::steady_clock::now() - start, bounds.restore) << lockHeld;
    EXPECT_EQ(ReadBytes(file), kCs + "\")]");
  }
  ToolDirectory[0] = '\0';
}

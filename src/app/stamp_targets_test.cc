#include "app/stamp_targets.h"

#include "test_support.h"

namespace {

const std::string kRc = "VALUE \"OriginalFilename\", \"", kCs = "[assembly: AssemblyCopyright(\"";
const std::string kTarget = "C:\\src\\Widget\\\\", kCsPath = "Properties\\AssemblyInfo.cs";
const std::string kRestore = "cmd /c git checkout --ignore-skip-worktree-bits -- ";

}  // namespace

TEST(StampTargetsTest, TheTextsOfEachMode) {
  struct Case { const char* what; int mode; std::string folder, hash, path, restored, search, replacement; };
  const Case cases[] = {
      {"mode 2", 2, "Widget", "1a2b3c4", kCsPath, kCsPath, kCs + "\")]", kCs + "1a2b3c4\")]"},
      {"a name the interpreter would act on", 1, "My (x&y) ^z|<>", "h", "My (x&y) ^z|<>.rc",
       "\"My (x&y) ^z|<>.rc\"", kRc + "My (x&y) ^z|<>.exe\"", kRc + "h\""},
      {"a drive's root", 1, "", "h", ".rc", ".rc", kRc + ".exe\"", kRc + "h\""},
      {"no hash", 2, "W", "", kCsPath, kCsPath, kCs + "\")]", kCs + "\")]"},
  };
  for (const Case& c : cases) {
    StampTexts texts;
    ASSERT_TRUE(BuildStampTexts(c.mode, c.hash, "C:\\src\\Widget\\", c.folder.c_str(), &texts))
        << c.what;
    EXPECT_TRUE(texts.targetPath == kTarget + c.path && texts.restoreCommand == kRestore + c.restored &&
                texts.searchText == c.search && texts.replacementText == c.replacement)
        << c.what << ": " << texts.restoreCommand << " | " << texts.searchText;
  }
  // Quotes don't protect the first four from the interpreter; Git reads the
  // others as an option or a pattern that restores other files too.
  StampTexts texts;
  for (const char* folder : {"100%", "a!b", "a\"b", "a\tb", "a\x7f", "-bx", "--orphan=x", ":^W",
                             "A*", "A?", "App[12]"})
    EXPECT_FALSE(BuildStampTexts(1, "h", "C:\\src\\", folder, &texts)) << folder;
  for (const char* folder : {"a-b", "a:b", "a]b", "Café", "工具"})
    EXPECT_TRUE(BuildStampTexts(1, "h", "C:\\src\\", folder, &texts)) << folder;
}

TEST(StampTargetsTest, BuildsEveryTextWholeOrNone) {
  // The longest folder name and hashes whose texts take kTextLimit - 1.
  const std::size_t folder = kTextLimit - 1 - (kRestore + ".rc").size();
  const std::size_t hash1 = kTextLimit - 1 - std::strlen("VALUE \"OriginalFilename\", \"\"");
  const std::size_t hash2 = kTextLimit - 1 - std::strlen("[assembly: AssemblyCopyright(\"\")]");
  struct Case { int mode; std::size_t folder, hash; bool built; } cases[] = {
      {1, folder, 1, true}, {1, folder + 1, 1, false}, {1, 1, hash1, true},
      {1, 1, hash1 + 1, false}, {2, 1, hash2, true}, {2, 1, hash2 + 1, false}};
  for (const Case& c : cases) {
    StampTexts texts;
    std::string name(c.folder, 'n'), hash(c.hash, 'h');
    ASSERT_EQ(BuildStampTexts(c.mode, hash, "\\", name.c_str(), &texts), c.built)
        << c.mode << " " << c.folder << " " << c.hash;
    if (!c.built) continue;
    // A text at the limit is whole: a search text without its closing quote
    // would still match, and the stamp would leave a stray quote behind.
    EXPECT_EQ(texts.searchText, c.mode == 1 ? kRc + name + ".exe\"" : kCs + "\")]");
    EXPECT_EQ(texts.restoreCommand, c.mode == 1 ? kRestore + name + ".rc" : kRestore + kCsPath);
    EXPECT_EQ(texts.replacementText, c.mode == 1 ? kRc + hash + "\"" : kCs + hash + "\")]");
  }
  StampTexts texts;  // the tool's folder unknown; modes that stamp nothing
  for (int mode : {1, 0, 3})
    EXPECT_FALSE(BuildStampTexts(mode, "h", mode == 1 ? "" : "\\", "", &texts)) << mode;
  // Only what Git prints for a commit is stamped, never its error message.
  for (const std::string& hash : {std::string("abc"), std::string(65, 'a'), std::string("1A2B3C4"),
                                  std::string("1a2b3c4\r"), std::string("HEAD"),
                                  std::string("fatal: not a git repository")})
    EXPECT_FALSE(IsCommitHash(hash)) << hash;
  for (const std::string& hash : {std::string("abcd"), std::string(64, 'f')})
    EXPECT_TRUE(IsCommitHash(hash)) << hash;
}

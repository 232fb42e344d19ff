#include "app/stamp_targets.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

// Both modes, each character that makes a folder name quoted or refused,
// and a hash that isn't one are tested end to end (tests/e2e.sh); here,
// what no test's folder can be.
TEST(StampTargetsTest, BuildsEveryTextWholeOrNone) {
  // The longest folder name and hashes whose texts take kTextLimit - 1.
  const std::size_t folder = kTextLimit - 1 - std::strlen("VALUE \"OriginalFilename\", \".exe\"");
  const std::size_t hash1 = kTextLimit - 1 - std::strlen("VALUE \"OriginalFilename\", \"\"");
  const std::size_t hash2 = kTextLimit - 1 - std::strlen("[assembly: AssemblyCopyright(\"\")]");
  struct Case {
    int mode;
    std::size_t folder, hash;
    bool built;
  } cases[] = {{1, folder, 1, true}, {1, folder + 1, 1, false}, {1, 1, hash1, true},
               {1, 1, hash1 + 1, false}, {2, 1, hash2, true}, {2, 1, hash2 + 1, false},
               {0, 1, 1, false}};
  for (const Case& c : cases) {
    StampTexts texts;
    std::string name(c.folder, 'n'), hash(c.hash, 'h');
    ASSERT_EQ(BuildStampTexts(c.mode, hash, "\\", name.c_str(), &texts), c.built)
        << c.mode << " " << c.folder << " " << c.hash;
    if (!c.built) continue;
    // A text at the limit is whole: a search text without its closing quote
    // would still match, and the stamp would leave a stray quote behind.
    const std::string rc = "VALUE \"OriginalFilename\", \"", cs = "[assembly: AssemblyCopyright(\"";
    EXPECT_EQ(texts.searchText, c.mode == 1 ? rc + name + ".exe\"" : cs + "\")]");
    EXPECT_EQ(texts.replacementText, c.mode == 1 ? rc + hash + "\"" : cs + hash + "\")]");
  }
  StampTexts texts;  // the tool's folder unknown
  EXPECT_FALSE(BuildStampTexts(1, "h", "", "", &texts));
  for (std::string hash : {"1a2b3c4\r", "a\"b", "a\\b"}) EXPECT_FALSE(IsStampableHash(hash)) << hash;
}

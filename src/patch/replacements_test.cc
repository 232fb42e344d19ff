#include "patch/replacements.h"

#include "test_support.h"

// UTF-16LE scripts, with names in and outside ASCII, are tested end to end
// (tests/e2e.sh); here, what no script holds: a match across code units, and
// a big-endian file, which are left alone.
TEST(ReplacementsTest, MatchesWholeCodeUnitsOfUtf16LeOnly) {
  using namespace std::string_literals;
  for (const std::string& content : {"\xff\xfe\0A\0B\0"s, "\xfe\xff\0A\0B"s}) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(content.size() + 2));
    std::memcpy(buffer.data(), content.data(), content.size());
    buffer.SetSize(content.size());
    EXPECT_TRUE(ApplyReplacements(buffer, {"AB"}, {"C"}));
    EXPECT_EQ(std::string(buffer.view()), content);
  }
}

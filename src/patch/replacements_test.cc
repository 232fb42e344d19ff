#include "patch/replacements.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

// Applies the pairs to `content` with the room PatchFile would give it.
bool Apply(std::string* content, const TextList& search, const TextList& replacement) {
  ByteBuffer buffer;
  EXPECT_TRUE(buffer.Allocate(content->size() + ReplacementHeadroom(replacement)));
  std::memcpy(buffer.data(), content->data(), content->size());
  buffer.SetSize(content->size());
  bool ok = ApplyReplacements(buffer, search, replacement);
  content->assign(buffer.data(), buffer.size());
  return ok;
}

}  // namespace

TEST(ReplacementsTest, ReplacesTheFirstOccurrenceOfEachPairInOrder) {
  struct Case {
    const char* what;
    std::string content;
    TextList search, replacement;
    std::string expected;
  } cases[] = {
      {"first occurrence only", "a X b X", {"X"}, {"Y"}, "a Y b X"},
      {"longer replacement", "abc", {"b"}, {"BBBB"}, "aBBBBc"},
      {"shorter replacement", "aBBBBc", {"BBBB"}, {"b"}, "abc"},
      {"replacement holds its search text", "x-x", {"x"}, {"xx"}, "xx-x"},
      {"later pairs see earlier results", "ab", {"a", "Xb"}, {"X", "Y"}, "Y"},
      {"pair that doesn't match is skipped", "ab", {"zz", "b"}, {"Q", "B"}, "aB"},
      {"match after NUL bytes", "\0\0key\0"s, {"key"}, {"K"}, "\0\0K\0"s},
      {"CR LF kept", "l1\r\nVALUE \"x\"\r\nl3\r\n", {"VALUE \"x\""}, {"VALUE \"y\""},
       "l1\r\nVALUE \"y\"\r\nl3\r\n"},
      {"texts count up to their NUL", "key", {"ke\0zz"s}, {"K\0ignored"s}, "Ky"},
      {"empty search text inserts at the start", "abc", {""}, {"Z"}, "Zabc"},
      {"empty content, no match", "", {"x"}, {"y"}, ""},
      {"empty content, empty search text", "", {""}, {"y"}, "y"},
      {"empty lists", "abc", {}, {}, "abc"},
  };
  for (const Case& c : cases) {
    std::string content = c.content;
    EXPECT_TRUE(Apply(&content, c.search, c.replacement)) << c.what;
    EXPECT_EQ(content, c.expected) << c.what;
  }
}

TEST(ReplacementsTest, RefusesListsOfDifferentLengths) {
  std::string content = "abc";
  EXPECT_FALSE(Apply(&content, {"a", "b"}, {"x"}));
  EXPECT_EQ(content, "abc");
}

TEST(ReplacementsTest, SpliceNeverWritesPastTheRoomItHas) {
  ByteBuffer buffer;
  ASSERT_TRUE(buffer.Allocate(4));
  std::memcpy(buffer.data(), "abc", 3);
  buffer.SetSize(3);
  EXPECT_TRUE(buffer.Splice(1, 1, "BB"));
  EXPECT_FALSE(buffer.Splice(0, 0, "x"));
  EXPECT_FALSE(buffer.Splice(5, 0, ""));
  EXPECT_EQ(buffer.view(), "aBBc");
}

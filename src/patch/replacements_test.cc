#include "patch/replacements.h"

#include "test_support.h"

// UTF-16LE scripts, with names in and outside ASCII, are tested end to end
// (tests/e2e.sh); here, what no script holds.
TEST(ReplacementsTest, ReplacesTheFirstOccurrence) {
  using namespace std::string_literals;
  const std::string mark = "\xff\xfe";  // UTF-16LE's byte-order mark
  struct Case { std::string content; TextList search, replacement; std::string expected; } cases[] = {
      {"a X b X", {"X"}, {"YYYY"}, "a YYYY b X"},
      {"x-x", {"x"}, {"xx"}, "xx-x"},                           // never searched again
      {mark + "a\0b\0"s, {"ab"}, {"Z"}, mark + "Z\0"s},          // as UTF-16LE after its mark
      {mark + "<\0"s, {"<"}, {"\x81"}, mark + "<\0"s},          // no UTF-16 form: left alone
      {mark + "\0A\0B\0"s, {"AB"}, {"C"}, mark + "\0A\0B\0"s},  // whole code units only
      {"\xfe\xff\0A\0B"s, {"AB"}, {"C"}, "\xfe\xff\0A\0B"s},    // UTF-16BE: left alone
  };
  for (const Case& c : cases) {
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(c.content.size() + ReplacementHeadroom(c.replacement)));
    std::memcpy(buffer.data(), c.content.data(), c.content.size());
    buffer.SetSize(c.content.size());
    EXPECT_TRUE(ApplyReplacements(buffer, c.search, c.replacement));
    EXPECT_EQ(std::string(buffer.view()), c.expected) << c.content;
  }
}

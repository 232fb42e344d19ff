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

std::string Wide(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += std::string{c, '\0'};
  return wide;
}

// UTF-16LE with a byte-order mark, as Visual Studio saves resource scripts.
std::string Utf16(const std::string& ascii) { return "\xff\xfe" + Wide(ascii); }

// 工具, in the tool's encoding (utf16.h) and in UTF-16LE.
#ifdef _WIN32
const std::string kChinese = "\xb9\xa4\xbe\xdf";
#else
const std::string kChinese = "\xe5\xb7\xa5\xe5\x85\xb7";
#endif
const std::string kChineseUtf16 = "\xe5\x5d\x77\x51";

const std::string kLine = "VALUE \"OriginalFilename\", \"Widget.exe\"";
const std::string kStamp = "VALUE \"OriginalFilename\", \"1a2b3c4\"";
const std::string kScript = "BEGIN\r\n  " + kLine + "\r\nEND\r\n";
const std::string kStamped = "BEGIN\r\n  " + kStamp + "\r\nEND\r\n";
// U+4100 U+4200: the bytes of "AB" in UTF-16LE, one byte off.
const std::string kMisaligned = "\xff\xfe\x00\x41\x00\x42\x00\x00"s;

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
      {"replacement holds its search text", "x-x", {"x"}, {"xx"}, "xx-x"},
      {"later pairs see earlier results", "ab", {"a", "Xb"}, {"X", "Y"}, "Y"},
      {"pair that doesn't match is skipped", "ab", {"zz", "b"}, {"Q", "B"}, "aB"},
      {"match after NUL bytes", "\0\0key\0"s, {"key"}, {"K"}, "\0\0K\0"s},
      {"CR LF kept", kScript, {kLine}, {kStamp}, kStamped},
      {"texts count up to their NUL", "key", {"ke\0zz"s}, {"K\0ignored"s}, "Ky"},
      {"empty search text inserts at the start", "abc", {""}, {"Z"}, "Zabc"},
      {"empty content, empty search text", "", {""}, {"y"}, "y"},
      {"empty lists", "abc", {}, {}, "abc"},
      {"UTF-8 with byte-order mark: bytes", "\xef\xbb\xbf" + kScript, {kLine}, {kStamp},
       "\xef\xbb\xbf" + kStamped},
      // A UTF-16LE file gets each pair in UTF-16LE.
      {"UTF-16LE script", Utf16(kScript), {kLine}, {kStamp}, Utf16(kStamped)},
      {"UTF-16LE, first of two", Utf16(kLine + kLine), {kLine}, {kStamp}, Utf16(kStamp + kLine)},
      {"UTF-16LE without the line", Utf16("END\r\n"), {kLine}, {kStamp}, Utf16("END\r\n")},
      {"UTF-16LE, converted from the tool's encoding", Utf16("<") + kChineseUtf16 + Wide(">"),
       {"<" + kChinese + ">"}, {"[" + kChinese + "]"}, Utf16("[") + kChineseUtf16 + Wide("]")},
      {"UTF-16LE, a pair that doesn't convert (cut short) is skipped", Utf16("<") + kChineseUtf16,
       {"<" + kChinese}, {kChinese.substr(0, kChinese.size() - 1)}, Utf16("<") + kChineseUtf16},
      {"UTF-16LE, empty search text goes after the mark", Utf16("ab"), {""}, {"Z"},
       Utf16("Zab")},
      {"UTF-16LE, only aligned matches count", kMisaligned + Utf16("AB").substr(2), {"AB"},
       {"C"}, kMisaligned + Utf16("C").substr(2)},
      {"UTF-16BE is not stamped", "\xfe\xff\0V\0A\0L"s, {"VAL"}, {"x"}, "\xfe\xff\0V\0A\0L"s},
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

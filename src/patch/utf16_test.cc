#include "patch/utf16.h"

#include <string>

#include <gtest/gtest.h>

TEST(Utf16Test, ConvertsTheToolsEncodingOrRefuses) {
  using namespace std::string_literals;
  struct Case {
    std::string text;
    bool converts;
    std::string wide;
  } cases[] = {
      {"", true, ""},
      {"A~", true, "A\0~\0"s},
#ifdef _WIN32
      // The ANSI code page, 936 under the tests (tests/CMakeLists.txt).
      {"\xb9\xa4\xbe\xdf", true, "\xe5\x5d\x77\x51"},  // 工具
      {"\xb9\xa4\x81", false, ""},                      // a lead byte without its trail
#else
      {"\xe5\xb7\xa5\xe5\x85\xb7", true, "\xe5\x5d\x77\x51"},  // 工具
      {"Caf\xc3\xa9", true, "C\0a\0f\0\xe9\0"s},
      {"\xf0\x9f\x98\x80", true, "\x3d\xd8\x00\xde"s},  // U+1F600: a surrogate pair
      {"\x80", false, ""},                              // a continuation byte alone
      {"Caf\xe9", false, ""},                           // Latin-1, not UTF-8
      {"\xe5\xb7", false, ""},                          // cut short
      {"\xc0\xaf", false, ""},                          // overlong '/'
      {"\xed\xa0\x80", false, ""},                      // a surrogate
      {"\xf4\x90\x80\x80", false, ""},                  // past U+10FFFF
#endif
  };
  for (const Case& c : cases) {
    std::string wide;
    EXPECT_EQ(ToUtf16Le(c.text, &wide), c.converts) << c.text;
    if (c.converts) {
      EXPECT_EQ(wide, c.wide) << c.text;
    }
  }
}

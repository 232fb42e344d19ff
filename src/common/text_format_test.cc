#include "common/text_format.h"

#include <string>

#include <gtest/gtest.h>

TEST(FormatTextTest, FitsUpTo259CharactersAndNeverTruncates) {
  struct Case {
    std::size_t length;
    bool fits;
  } cases[] = {{0, true}, {1, true}, {259, true}, {260, false}, {4000, false}};
  for (const Case& c : cases) {
    std::string argument(c.length, 'x');
    TextBuffer buffer = "left over";
    EXPECT_EQ(FormatText(buffer, "%s", argument.c_str()), c.fits) << c.length;
    EXPECT_EQ(std::string(buffer), c.fits ? argument : "") << c.length;
  }
}

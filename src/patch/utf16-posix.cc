// POSIX side of utf16.h: the tool's texts are UTF-8.
#include "patch/utf16.h"

#include <cstdint>

namespace {

void AppendUnit(std::uint32_t unit, std::string* wide) {
  *wide += static_cast<char>(unit & 0xff);
  *wide += static_cast<char>(unit >> 8);
}

}  // namespace

bool ToUtf16Le(std::string_view text, std::string* wide) {
  // The smallest code point that needs each sequence length: anything less
  // is an overlong form.
  static const std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  wide->clear();
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xf8 ? 0 : lead >= 0xf0 ? 4
                       : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
    if (length == 0 || length > text.size() - i) return false;
    std::uint32_t code = length == 1 ? lead : lead & (0x7fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      code = code << 6 | (next & 0x3f);
    }
    if (code < kLeast[length] || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff)
      return false;
    if (code >= 0x10000) {
      code -= 0x10000;
      AppendUnit(0xd800 | code >> 10, wide);
      AppendUnit(0xdc00 | (code & 0x3ff), wide);
    } else {
      AppendUnit(code, wide);
    }
    i += length;
  }
  return true;
}

// Windows side of utf16.h: the tool's texts are in the ANSI code page.
#include "patch/utf16.h"

#include <windows.h>

#include <climits>
#include <vector>

bool ToUtf16Le(std::string_view text, std::string* wide) {
  wide->clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  int length = static_cast<int>(text.size());
  // One unit per byte at most, whatever the code page.
  std::vector<wchar_t> units(text.size());
  int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length,
                                  units.data(), length);
  if (count <= 0) return false;
  for (int i = 0; i < count; ++i) {
    *wide += static_cast<char>(units[i] & 0xff);
    *wide += static_cast<char>(units[i] >> 8);
  }
  return true;
}

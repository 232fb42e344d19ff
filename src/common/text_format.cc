#include "common/text_format.h"

#include <cstdarg>
#include <cstdio>

bool FormatText(TextBuffer& buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(buffer, kTextLimit, format, args);
  va_end(args);
  if (length < 0 || static_cast<std::size_t>(length) >= kTextLimit) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}

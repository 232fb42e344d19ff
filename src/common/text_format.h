// Fixed-size texts, the one formatter that fills them, and what counts as a
// control character in them.
//
// Every path, command line and search or replacement text the tool builds is
// formatted into a buffer of kTextLimit bytes. A text that does not fit is an
// error, never a shorter text: a truncated path names some other file and a
// truncated command runs some other command.
#ifndef REVSTAMP_COMMON_TEXT_FORMAT_H_
#define REVSTAMP_COMMON_TEXT_FORMAT_H_

#include <cstddef>

/// Size of every fixed text buffer, terminator included: a text holds at most
/// kTextLimit - 1 characters.
constexpr std::size_t kTextLimit = 260;

using TextBuffer = char[kTextLimit];

#if defined(__clang__)
#define REVSTAMP_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#elif defined(__GNUC__)
// gnu_printf: MinGW's printf family follows C99 here, not msvcrt's dialect.
#define REVSTAMP_PRINTF_FORMAT(fmt, args) \
  __attribute__((format(gnu_printf, fmt, args)))
#else
#define REVSTAMP_PRINTF_FORMAT(fmt, args)
#endif

/// Whether `c` is a control character (below 0x20, or DEL): in a command
/// line or a string literal, one that can't stand as it is.
inline bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

/// Formats `format` with its arguments into `buffer`, printf-style.
/// Returns true when the whole text fits (at most kTextLimit - 1 characters).
/// Otherwise returns false and leaves `buffer` empty, so that a caller that
/// forgets to look still cannot use a cut-off text.
bool FormatText(TextBuffer& buffer, const char* format, ...)
    REVSTAMP_PRINTF_FORMAT(2, 3);

#endif  // REVSTAMP_COMMON_TEXT_FORMAT_H_

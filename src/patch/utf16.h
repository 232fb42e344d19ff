// The tool's own texts in UTF-16, for files saved in UTF-16LE.
//
// The tool's texts (its folder's name, Git's output) are 8-bit, in the
// encoding the system uses for them: the ANSI code page on Windows
// (utf16-win32.cc), UTF-8 on POSIX, where file names are in it
// (utf16-posix.cc).
#ifndef REVSTAMP_PATCH_UTF16_H_
#define REVSTAMP_PATCH_UTF16_H_

#include <string>
#include <string_view>

/// Converts `text` to UTF-16LE bytes, with surrogate pairs for characters
/// outside the Basic Multilingual Plane. False, leaving `wide` unspecified,
/// for text that doesn't convert cleanly: bytes that are invalid in the
/// encoding, or a sequence cut short.
bool ToUtf16Le(std::string_view text, std::string* wide);

#endif  // REVSTAMP_PATCH_UTF16_H_

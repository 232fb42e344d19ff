// What the fuzz targets share: a check that stops the run with a message,
// so that libFuzzer saves the input as a finding.
#ifndef REVSTAMP_FUZZ_FUZZ_CHECK_H_
#define REVSTAMP_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                   #condition);                                            \
      std::abort();                                                        \
    }                                                                      \
  } while (0)

// The part of `text` before its first NUL: the tool's texts are C texts.
inline std::string UpToNul(std::string text) {
  text.resize(std::strlen(text.c_str()));
  return text;
}

#endif  // REVSTAMP_FUZZ_FUZZ_CHECK_H_

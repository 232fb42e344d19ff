// PatchFile: applies an ordered list of search-and-replace pairs to one
// existing file and writes the result back into it.
//
// The calling sequence, and what makes each step refuse:
//   1. the two lists differ in length                  -> 0, nothing touched
//   2. the path names nothing (the empty path included) -> 0, nothing touched
//   3. open the file for reading and writing, exclusively; a read-only file,
//      a directory or a file held open elsewhere fails -> 0, nothing touched
//   4. read it whole; a file of 4 GiB or more, memory that can't be had, or a
//      read that doesn't deliver exactly the file's length
//                                                      -> 0, nothing touched
//   5. replace the first occurrence of each search text, in list order
//      (replacements.h); the content is bytes, never decoded or translated
//   6. write the content back, all or nothing (file_io.h) -> 1, or 0 with the
//      old bytes in place
//
// The file is rewritten even when no search text matched. Nothing is ever
// printed.
#ifndef REVSTAMP_PATCH_FILE_PATCHER_H_
#define REVSTAMP_PATCH_FILE_PATCHER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "patch/replacements.h"

/// Returns 1 when the file was rewritten and 0 otherwise.
int PatchFile(const std::string& path, const TextList& SearchTexts,
              const TextList& ReplacementTexts);

/// Fills `buffer` with exactly `length` bytes from `read` (a function like
/// ExclusiveFile::Read) and checks that the source ends there. False on an
/// error, on fewer bytes than `length`, or on more.
template <typename Read>
bool ReadExactly(Read&& read, char* buffer, std::uint64_t length) {
  std::uint64_t done = 0;
  while (done < length) {
    long long got = read(buffer + done, static_cast<std::size_t>(length - done));
    if (got <= 0) return false;
    done += static_cast<std::uint64_t>(got);
  }
  char extra;
  return read(&extra, 1) == 0;
}

#endif  // REVSTAMP_PATCH_FILE_PATCHER_H_

// PatchFile: applies an ordered list of search-and-replace pairs to one
// existing file and writes the result back into it.
#ifndef REVSTAMP_PATCH_FILE_PATCHER_H_
#define REVSTAMP_PATCH_FILE_PATCHER_H_

#include <string>

#include "patch/replacements.h"

/// Replaces, in the file `path`, the first occurrence of each search text in
/// list order (replacements.h), and writes the file back even when nothing
/// matched. Returns 1 when the file was rewritten and 0 otherwise. Refused,
/// with nothing touched: lists of different lengths, a path that names
/// nothing (the empty path too), anything but a regular file, a read-only
/// file, a file held open elsewhere (file_io.h), one of 4 GiB or more, memory
/// that can't be had, and a read that doesn't deliver exactly the file's
/// length. The rewrite is all or nothing: a failure leaves the old bytes.
/// Prints nothing, and never waits: when `held` is given, it tells whether
/// the file was refused because another process holds it, which a later
/// try may get past.
int PatchFile(const std::string& path, const TextList& SearchTexts,
              const TextList& ReplacementTexts, bool* held = nullptr);

#endif  // REVSTAMP_PATCH_FILE_PATCHER_H_

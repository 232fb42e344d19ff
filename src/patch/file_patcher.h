// PatchFile: applies an ordered list of search-and-replace pairs to one
// existing file and writes the result back into it; and what a run around
// it needs of the file: a snapshot, its time kept, leftovers removed. The
// driver's only way into src/patch/.
#ifndef REVSTAMP_PATCH_FILE_PATCHER_H_
#define REVSTAMP_PATCH_FILE_PATCHER_H_

#include <cstdint>
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

/// A file's bytes and last-write time, as a run found them.
struct FileSnapshot {
  bool taken = false;  // false for a file that couldn't be read whole
  std::string bytes;
  std::int64_t seconds = 0, nanoseconds = 0;  // Windows: the whole FILETIME
};

/// The regular file `path` as it is now, read whole when it holds at most
/// `limit` bytes; otherwise nothing is taken. Shares the file with other
/// readers and writers, and never waits (on a FIFO, for a writer).
FileSnapshot TakeSnapshot(const std::string& path, std::uint64_t limit);

/// Puts `before`'s last-write time back on `path` when the file holds
/// `before`'s bytes again under another time, so that build tools see
/// nothing new. Only a time that changed is set: setting it changes the
/// file's status, and Git would then rewrite the file at its next restore.
void KeepTimeIfUnchanged(const std::string& path, const FileSnapshot& before);

/// Removes the new files that PatchFile's rewrite of `path` left behind in a
/// process killed outright. Only for a caller that keeps every other
/// process from patching `path` meanwhile.
void RemoveLeftovers(const std::string& path);

#endif  // REVSTAMP_PATCH_FILE_PATCHER_H_

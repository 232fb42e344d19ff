// PatchFile: applies an ordered list of search-and-replace pairs to one
// existing file and writes the result back into it, keeping what the user
// wrote that Git's restore took away; and what a run around it needs of the
// file: a snapshot, its time kept, leftovers removed. The driver's only way
// into src/patch/.
#ifndef REVSTAMP_PATCH_FILE_PATCHER_H_
#define REVSTAMP_PATCH_FILE_PATCHER_H_

#include <cstdint>
#include <string>

#include "patch/replacements.h"

/// A file's bytes and last-write time, as a run found them.
struct FileSnapshot {
  enum class State {
    kNone,        // no regular file there: nothing, a folder, a FIFO
    kTaken,       // read whole
    kHeld,        // another process holds it open without sharing
    kUnreadable,  // a regular file that can't be read whole
  } state = State::kNone;
  ByteBuffer bytes;
  std::int64_t seconds = 0, nanoseconds = 0;  // Windows: the whole FILETIME
};

/// The file `path` as it is now, read whole. Shares the file with other
/// readers and writers, and never waits (on a FIFO, for a writer). A file of
/// 4 GiB or more, or one whose bytes memory can't hold, is kUnreadable.
FileSnapshot TakeSnapshot(const std::string& path);

/// What PatchFile keeps of the user's own text: the file as a run found it
/// before Git restored it, and the shape of an earlier stamp of the line
/// that SearchTexts[0] looks for (a StampLine's start and end).
struct KeptText {
  const FileSnapshot* found = nullptr;
  std::string stampStart, stampEnd;
};

/// Replaces, in the file `path`, the first occurrence of each search text in
/// list order (replacements.h), and writes the file back even when nothing
/// matched. With `kept`, the first pair follows PlanStamp: it may replace an
/// earlier stamp instead, or nothing, and the text patched may be the one
/// `kept` found rather than the file's own. Returns 1 when the file was
/// rewritten and 0 otherwise. Refused, with nothing touched: lists of
/// different lengths, a path that names nothing (the empty path too),
/// anything but a regular file, a read-only file, a file held open elsewhere
/// (file_io.h), one of 4 GiB or more, memory that can't be had, and a read
/// that doesn't deliver exactly the file's length. The rewrite is all or
/// nothing: a failure leaves the old bytes. Prints nothing, and never waits:
/// when `held` is given, it tells whether the file was refused because
/// another process holds it, which a later try may get past.
int PatchFile(const std::string& path, const TextList& SearchTexts,
              const TextList& ReplacementTexts, bool* held = nullptr,
              const KeptText* kept = nullptr);

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

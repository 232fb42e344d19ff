// The stamping step: which file each mode stamps, the Git command that
// restores it first, and the line that receives the hash (the README's
// table). Stamping reports nothing and never fails the run.
#ifndef REVSTAMP_APP_STAMP_TARGETS_H_
#define REVSTAMP_APP_STAMP_TARGETS_H_

#include <chrono>
#include <string>

#include "common/text_format.h"

/// How long a run waits, each without the work tree's lock meanwhile.
struct StampBounds {
  /// For Git's index lock, which an IDE's Git integration, a terminal or
  /// another build holds for a moment: the restore is tried again.
  std::chrono::milliseconds restore{10000};
  /// For a target that another process holds: virus scanners, indexers and
  /// editors open a file that was just written, for a moment.
  std::chrono::milliseconds heldFile{2000};
  /// For the work tree's lock. Each holder lets it go within seconds, so a
  /// wait this long means something is stuck: the run then ends without
  /// stamping rather than never.
  std::chrono::milliseconds lock{60000};
};

/// Stamps CommitHash into the file that `mode` selects, under ToolDirectory
/// (tool_location.h): restores it from Git, then replaces its line, keeping
/// what the user wrote that isn't committed (PatchFile, PlanStamp). Every
/// run in one work tree takes turns for that, on the lock (worktree_lock.h)
/// of the work tree's .git entry, or of the tool's executable outside a work
/// tree. The restore restores a file hidden from Git's status
/// (skip-worktree) too. A restore that Git refuses for its index lock is
/// tried again while the lock is in the work tree's Git folder, when
/// `gitAnswered` (the hash command succeeded), and a target that another
/// process holds, each for its `bounds`; then the line is replaced in
/// whatever the file holds, or the run gives up. A mode does nothing at all
/// when BuildStampTexts refuses, the lock can't be had within its bound, or
/// the file can't be read whole (what it holds couldn't be kept); nor when
/// the file already holds the line this run would write. A CommitHash that
/// IsCommitHash refuses is not stamped, though the file is restored. A run
/// that leaves the file's bytes as they were leaves its time too.
void StampTarget(int mode, const std::string& CommitHash, bool gitAnswered,
                 const StampBounds& bounds = StampBounds());

/// The texts of one mode.
struct StampTexts {
  TextBuffer targetPath;
  TextBuffer restoreCommand;
  TextBuffer searchText;
  TextBuffer replacementText;
  /// What a stamp's line holds before and after its hash, for telling an
  /// earlier stamp (KeptText).
  const char* stampStart = "";
  const char* stampEnd = "";
};

/// Builds the texts of `mode` for a tool in `directory` (ending in a
/// backslash) and `folder`. The file name in the restore command is put in
/// double quotes when it holds a blank or one of & | < > ^ ( ). False for a
/// mode other than 1 and 2, an empty `directory`, a text that doesn't fit in
/// a TextBuffer, and a file name the command can't carry safely: one with %,
/// !, " or a control character, which quotes don't protect from the
/// interpreter, and one that Git would read as an option or a pattern
/// (starting with - or :, or holding *, ? or [).
bool BuildStampTexts(int mode, const std::string& CommitHash, const char* directory,
                     const char* folder, StampTexts* texts);

/// Whether `hash` is what Git prints for a commit, 4 to 64 characters of
/// 0-9a-f, and so may be stamped: never an error message in its place.
bool IsCommitHash(const std::string& hash);

#endif  // REVSTAMP_APP_STAMP_TARGETS_H_

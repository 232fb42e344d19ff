#include "app/stamp_targets.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>

#include "app/tool_location.h"
#include "app/worktree_lock.h"
#include "common/file_system.h"
#include "common/retry.h"
#include "patch/file_patcher.h"
#include "process/command_runner.h"

namespace {

// A file name as the restore command carries it (BuildStampTexts); false
// for one it can't carry safely.
bool QuoteFileName(const std::string& name, std::string* quoted) {
  // Git reads a leading - as an option and a leading : as pathspec magic,
  // and * ? [ as wildcards that would restore other files too.
  if (!name.empty() && (name[0] == '-' || name[0] == ':')) return false;
  bool needsQuotes = name.empty();
  for (char c : name) {
    if (IsControl(c) || std::strchr("%!\"*?[", c)) return false;
    if (std::strchr(" &|<>^()", c)) needsQuotes = true;
  }
  if (!needsQuotes) {
    *quoted = name;
    return true;
  }
  // The names end in ".rc" (or are mode 2's fixed one), never in a
  // backslash, which would escape the closing quote.
  *quoted = '"' + name + '"';
  return true;
}

}  // namespace

bool IsCommitHash(const std::string& hash) {
  if (hash.size() < 4 || hash.size() > 64) return false;
  for (char c : hash)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

bool BuildStampTexts(int mode, const std::string& CommitHash, const char* directory,
                     const char* folder, StampTexts* texts) {
  if (directory[0] == '\0') return false;  // the tool doesn't know where it is
  const char* hash = CommitHash.c_str();
  std::string fileName;  // as the restore command names it
  switch (mode) {
    case 1:  // VALUE "OriginalFilename", "<folder>.exe" becomes ..., "<hash>"
      fileName = std::string(folder) + ".rc";
      texts->stampStart = "VALUE \"OriginalFilename\", \"";
      texts->stampEnd = "\"";
      if (!FormatText(texts->targetPath, "%s\\%s.rc", directory, folder) ||
          !FormatText(texts->searchText, "%s%s.exe%s", texts->stampStart, folder,
                      texts->stampEnd))
        return false;
      break;
    case 2:  // [assembly: AssemblyCopyright("")] receives the hash
      fileName = "Properties\\AssemblyInfo.cs";
      texts->stampStart = "[assembly: AssemblyCopyright(\"";
      texts->stampEnd = "\")]";
      if (!FormatText(texts->targetPath, "%s\\Properties\\AssemblyInfo.cs", directory) ||
          !FormatText(texts->searchText, "%s%s", texts->stampStart, texts->stampEnd))
        return false;
      break;
    default:
      return false;
  }
  std::string quoted;
  return FormatText(texts->replacementText, "%s%s%s", texts->stampStart, hash,
                    texts->stampEnd) &&
         QuoteFileName(fileName, &quoted) &&
         FormatText(texts->restoreCommand, "cmd /c git checkout --ignore-skip-worktree-bits -- %s",
                    quoted.c_str());
}

namespace {

// Whether Git refused a restore for its index lock: its message names the
// lock, in every language, whatever it quotes the lock's path with.
bool RefusedForLock(const CommandResult& restore) {
  return restore.exitStatus != 0 && restore.text.find("index.lock") != std::string::npos;
}

// Restores the target from Git, and says whether that is done: false when
// Git refused for its index lock and `gitLock`, the lock in the work tree's
// Git folder, is still there, as another Git holds it for a moment. A lock
// that is gone already was let go just now, and is tried again at once. One
// that Git couldn't create for another reason (a .git the build's user
// can't write, a full disk) is no file, and waiting can't help.
bool Restore(const StampTexts& texts, const std::string& gitLock) {
  if (!RefusedForLock(RunCommand(texts.restoreCommand))) return true;
  if (!PathExists(gitLock) && !RefusedForLock(RunCommand(texts.restoreCommand))) return true;
  return !PathExists(gitLock);
}

}  // namespace

void StampTarget(int mode, const std::string& CommitHash, bool gitAnswered,
                 const StampBounds& bounds) {
  // Only a commit's hash is stamped: in place of anything else (Git's error
  // message), the line is replaced by itself.
  const bool isHash = IsCommitHash(CommitHash);
  StampTexts texts;
  if (!BuildStampTexts(mode, isHash ? CommitHash : "", ToolDirectory, ToolFolderName, &texts))
    return;
  const std::string entry = WorkTreeEntry(ToolDirectory);
  const std::string gitLock = GitFolder(entry) + "\\index.lock";
  const TextList search{texts.searchText};
  const TextList replacement{isHash ? texts.replacementText : texts.searchText};
  FileSnapshot found;  // the file as the run found it, before Git restored it
  const KeptText kept{&found, texts.stampStart, texts.stampEnd};
  bool snapshotTaken = false;
  std::optional<std::chrono::steady_clock::time_point> heldUntil;
  // A file that another process holds is waited for from when it was first
  // found held.
  auto waitForHolder = [&](bool lastTry) {
    const auto now = std::chrono::steady_clock::now();
    if (!heldUntil) heldUntil = now + bounds.heldFile;
    return !lastTry && now < *heldUntil ? TryOutcome::kAgain : TryOutcome::kGiveUp;
  };
  RetryFor(bounds.restore, [&](bool lastTry) {
    // Every run in the work tree takes turns, from the snapshot until the
    // rewrite is done: Git's restore takes the work tree's index lock, and
    // writes the file in steps that another run must not read halfway.
    // Whatever a run waits for between tries (Git's lock, a held target), it
    // waits without the lock, so that the others go on meanwhile.
    WorkTreeLock lock;
    if (!lock.Acquire(entry, bounds.lock)) return TryOutcome::kGiveUp;
    if (!snapshotTaken) {
      found = TakeSnapshot(texts.targetPath);
      if (found.state == FileSnapshot::State::kHeld) return waitForHolder(lastTry);
      // What the user wrote there couldn't be kept: Git's restore must not
      // take it away.
      if (found.state == FileSnapshot::State::kUnreadable) return TryOutcome::kGiveUp;
      snapshotTaken = true;
      // Restored and stamped, it would be as it is: nothing to do.
      if (isHash && found.state == FileSnapshot::State::kTaken &&
          FindText(found.bytes.view(), replacement[0]) != std::string::npos)
        return TryOutcome::kDone;
    }
    // Without an answer from Git no restore can succeed, so none is retried.
    if (!Restore(texts, gitLock) && gitAnswered && !lastTry) return TryOutcome::kAgain;
    // A run killed outright may have left its new file behind. While this
    // run holds the lock, no other is writing one.
    RemoveLeftovers(texts.targetPath);
    bool held = false;
    PatchFile(texts.targetPath, search, replacement, &held, &kept);
    if (held && waitForHolder(lastTry) == TryOutcome::kAgain) return TryOutcome::kAgain;
    KeepTimeIfUnchanged(texts.targetPath, found);
    return held ? TryOutcome::kGiveUp : TryOutcome::kDone;
  });
}

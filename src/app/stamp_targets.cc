#include "app/stamp_targets.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>

#include "app/tool_location.h"
#include "app/worktree_lock.h"
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

bool IsStampableHash(const std::string& hash) {
  for (char c : hash)
    if (IsControl(c) || c == '"' || c == '\\') return false;
  return true;
}

bool BuildStampTexts(int mode, const std::string& CommitHash, const char* directory,
                     const char* folder, StampTexts* texts) {
  if (directory[0] == '\0') return false;  // the tool doesn't know where it is
  const char* hash = CommitHash.c_str();
  std::string fileName;  // as the restore command names it
  switch (mode) {
    case 1:
      fileName = std::string(folder) + ".rc";
      if (!FormatText(texts->targetPath, "%s\\%s.rc", directory, folder) ||
          !FormatText(texts->searchText, "VALUE \"OriginalFilename\", \"%s.exe\"", folder) ||
          !FormatText(texts->replacementText, "VALUE \"OriginalFilename\", \"%s\"", hash))
        return false;
      break;
    case 2:
      fileName = "Properties\\AssemblyInfo.cs";
      if (!FormatText(texts->targetPath, "%s\\Properties\\AssemblyInfo.cs", directory) ||
          !FormatText(texts->searchText, "%s", "[assembly: AssemblyCopyright(\"\")]") ||
          !FormatText(texts->replacementText, "[assembly: AssemblyCopyright(\"%s\")]", hash))
        return false;
      break;
    default:
      return false;
  }
  std::string quoted;
  return QuoteFileName(fileName, &quoted) &&
         FormatText(texts->restoreCommand, "cmd /c git checkout --ignore-skip-worktree-bits -- %s",
                    quoted.c_str());
}

namespace {

// Git refuses to restore while another process holds the work tree's index
// lock, as an IDE's Git integration, a terminal or another build does for a
// moment. Such a restore is tried again for this long.
constexpr std::chrono::seconds kRestoreBound(10);

// How long a target that another process holds is waited for: virus
// scanners, indexers and editors open a file that was just written, for a
// moment.
constexpr std::chrono::seconds kHeldFileBound(2);

// How long a run waits for the work tree's lock. Each holder lets it go
// within seconds, so a wait this long means something is stuck: the run
// then ends without stamping rather than never.
constexpr std::chrono::minutes kLockBound(1);

// A run that leaves the file's bytes as they were leaves its time too. The
// check holds the file twice more, so it stops at 1 MiB, far more than any
// target holds.
constexpr std::uint64_t kTimeKeptUpTo = 1 << 20;

// The index lock that Git names when it refuses to restore for it, or the
// empty text: nothing else that makes a restore fail (no such file, a
// failing hook, a conflict) goes away by itself. Git quotes the lock's path
// in its message, in every language.
std::string GitLockNamed(const CommandResult& restore) {
  const std::string& text = restore.text;
  const std::size_t end = text.find("index.lock");
  if (restore.exitStatus == 0 || end == std::string::npos) return std::string();
  const std::size_t quote = text.find_last_of("'\"\xab\x9c", end);  // ' " and the ends of « “
  const std::size_t start = quote == std::string::npos ? 0 : quote + 1;
  return text.substr(start, end + std::strlen("index.lock") - start);
}

// Restores the target from Git, and says whether that is done: false when
// Git refused for its index lock and the lock is still there, as another Git
// holds it for a moment. A lock that is gone already was let go just now,
// and is tried again at once. One that Git couldn't create for another
// reason (a .git the build's user can't write, a full disk) is no file, and
// waiting can't help.
bool Restore(const StampTexts& texts) {
  std::string gitLock = GitLockNamed(RunCommand(texts.restoreCommand));
  if (!gitLock.empty() && !EntryExists(gitLock))
    gitLock = GitLockNamed(RunCommand(texts.restoreCommand));
  return gitLock.empty() || !EntryExists(gitLock);
}

}  // namespace

void StampTarget(int mode, const std::string& CommitHash, bool gitAnswered) {
  StampTexts texts;
  if (!BuildStampTexts(mode, CommitHash, ToolDirectory, ToolFolderName, &texts)) return;
  const std::string entry = WorkTreeEntry(ToolDirectory);
  const bool stampable = IsStampableHash(CommitHash);
  std::optional<FileSnapshot> found;  // the file as the run found it
  std::optional<std::chrono::steady_clock::time_point> heldUntil;
  RetryFor(kRestoreBound, [&](bool lastTry) {
    // Every run in the work tree takes turns, from the restore until the
    // rewrite is done: Git's restore takes the work tree's index lock, and
    // writes the file in steps that another run must not read halfway.
    // Whatever a run waits for between tries (Git's lock, a held target), it
    // waits without the lock, so that the others go on meanwhile.
    WorkTreeLock lock;
    if (!lock.Acquire(entry, kLockBound)) return TryOutcome::kGiveUp;
    if (!found) found = TakeSnapshot(texts.targetPath, kTimeKeptUpTo);
    // Without an answer from Git no restore can succeed, so none is retried.
    if (!Restore(texts) && gitAnswered && !lastTry) return TryOutcome::kAgain;
    // A run killed outright may have left its new file behind. While this
    // run holds the lock, no other is writing one.
    RemoveLeftovers(texts.targetPath);
    bool held = false;
    if (stampable)
      PatchFile(texts.targetPath, TextList{texts.searchText}, TextList{texts.replacementText},
                &held);
    if (held) {  // waited for from when it was first found held
      const auto now = std::chrono::steady_clock::now();
      if (!heldUntil) heldUntil = now + kHeldFileBound;
      if (!lastTry && now < *heldUntil) return TryOutcome::kAgain;
    }
    KeepTimeIfUnchanged(texts.targetPath, *found);
    return held ? TryOutcome::kGiveUp : TryOutcome::kDone;
  });
}

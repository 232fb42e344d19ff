#include "app/stamp_targets.h"

#include <cstdint>
#include <cstring>

#include "app/platform.h"
#include "app/tool_location.h"
#include "patch/file_io.h"
#include "patch/file_patcher.h"
#include "process/command_runner.h"

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
         FormatText(texts->restoreCommand, "cmd /c git checkout %s", quoted.c_str());
}

void StampTarget(int mode, const std::string& CommitHash) {
  std::string targetPath;
  TextList SearchTexts;
  TextList ReplacementTexts;
  StampTexts texts;
  // Held from the restore until the rewrite is done: Git's restore writes
  // the file in steps, and another run must not read it halfway.
  FolderLock lock;
  // A run that leaves the file's bytes as they were leaves its time too, so
  // that build tools see nothing new to compile. The check holds the file
  // twice more, so it stops at 1 MiB, far more than any target holds.
  const std::uint64_t kTimeKeptUpTo = 1 << 20;
  std::string before, after;
  FileTime written, ignored;
  bool noted = false;
  if (BuildStampTexts(mode, CommitHash, ToolDirectory, ToolFolderName, &texts) &&
      lock.Acquire(ToolDirectory)) {
    noted = ReadFileWithTime(texts.targetPath, kTimeKeptUpTo, &before, &written);
    RunCommand(texts.restoreCommand);
    if (IsStampableHash(CommitHash)) {
      targetPath = texts.targetPath;
      SearchTexts.push_back(texts.searchText);
      ReplacementTexts.push_back(texts.replacementText);
    }
  }
  // With no target path, as for a mode that stamps nothing, this touches no
  // file.
  PatchFile(targetPath, SearchTexts, ReplacementTexts);
  if (noted && ReadFileWithTime(texts.targetPath, kTimeKeptUpTo, &after, &ignored) &&
      after == before)
    SetLastWriteTime(texts.targetPath, written);
}

// The stamping step: which file each mode stamps, the Git command that
// restores it first, and the line that receives the hash.
//
//   mode 1  <ToolDirectory>\<Folder>.rc
//           restore: cmd /c git checkout <Folder>.rc
//           VALUE "OriginalFilename", "<Folder>.exe"  ->  VALUE "OriginalFilename", "<hash>"
//   mode 2  <ToolDirectory>\Properties\AssemblyInfo.cs
//           restore: cmd /c git checkout Properties\AssemblyInfo.cs
//           [assembly: AssemblyCopyright("")]  ->  [assembly: AssemblyCopyright("<hash>")]
//
// The restore is what makes runs repeatable: the line looked for is always
// the committed one. Its output is discarded, and so is the patcher's
// result: stamping reports nothing.
//
// Every text is built before anything runs, and a mode does nothing at all
// (no restore, no patch) when one of them doesn't fit in a TextBuffer, when
// the tool's location is unknown, or when the file name is one the restore
// command can't carry safely (QuoteFileName). A hash that
// would break the target's string syntax is not stamped, though the file is
// still restored.
#ifndef REVSTAMP_APP_STAMP_TARGETS_H_
#define REVSTAMP_APP_STAMP_TARGETS_H_

#include <string>

#include "common/text_format.h"

/// Stamps CommitHash into the file that `mode` selects. Reads ToolDirectory
/// and ToolFolderName (tool_location.h).
void StampTarget(int mode, const std::string& CommitHash);

/// The texts of one mode.
struct StampTexts {
  TextBuffer targetPath;
  TextBuffer restoreCommand;
  TextBuffer searchText;
  TextBuffer replacementText;
};

/// Builds the texts of `mode` for a tool in `directory` (ending in a
/// backslash) and `folder`. False, for a mode other than 1 and 2 and in
/// every case above where a mode does nothing.
bool BuildStampTexts(int mode, const std::string& CommitHash, const char* directory,
                     const char* folder, StampTexts* texts);

/// A file name as the restore command carries it: unchanged when the
/// interpreter sees nothing special in it, in double quotes when it holds a
/// blank or one of & | < > ^ ( ). False for a name the command can't carry
/// safely: one with %, !, " or a control character, which quotes don't
/// protect from the interpreter, and one that Git would read as an option
/// or a pattern (starting with - or :, or holding *, ? or [).
bool QuoteFileName(const std::string& name, std::string* quoted);

/// Whether `hash` can stand in a string literal of both targets as it is:
/// no control character, no double quote and no backslash.
bool IsStampableHash(const std::string& hash);

#endif  // REVSTAMP_APP_STAMP_TARGETS_H_

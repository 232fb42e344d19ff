// Where the tool lives: the directory of its own executable and that
// directory's last component, which names the project being stamped.
//
// Paths here are Windows paths. On POSIX the platform layer hands the
// executable's path over with '\' as separator (see platform.h).
#ifndef REVSTAMP_APP_TOOL_LOCATION_H_
#define REVSTAMP_APP_TOOL_LOCATION_H_

#include "common/text_format.h"

/// Drive and directory of the running executable, ending in the backslash
/// that closes the directory ("C:\src\Widget\"), or empty if the executable's
/// path could not be obtained. Written once by LocateTool.
extern TextBuffer ToolDirectory;

/// Last component of ToolDirectory ("Widget"); empty when ToolDirectory is
/// empty or has no backslash before its last component (a drive's root).
/// Written once by LocateTool.
extern TextBuffer ToolFolderName;

/// Fills ToolDirectory and ToolFolderName from the executable's path. Call
/// once, first thing in the run. Reports nothing: a path that can't be
/// obtained, or doesn't fit, leaves both texts empty.
void LocateTool();

/// Splits an executable path the way the C runtime's path splitter does
/// (drive of at most 2 characters, directory of at most 255, file name and
/// extension of at most 255 each) and derives the two texts from it. A part
/// that exceeds its limit leaves both texts empty and gives false, as the
/// splitter refuses the whole path then. (A path cut short to fit its buffer
/// never gets here: GetExecutablePath refuses it.)
bool SplitToolPath(const char* path, TextBuffer& directory, TextBuffer& folder);

#endif  // REVSTAMP_APP_TOOL_LOCATION_H_

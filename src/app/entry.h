// The entry routine and its fixed run sequence:
//
//   1. LocateTool                        (tool_location.h)
//   2. initialise the framework stand-in (framework.h); on failure print the
//      failure message and return 1, doing nothing else
//   3. pick the mode from the arguments
//   4. run "cmd /c git rev-parse --short HEAD" and drop every line feed from
//      its output: that is CommitHash, whatever the command printed
//   5. StampTarget(mode, CommitHash)     (stamp_targets.h)
//   6. return 0, whatever the stamping did
#ifndef REVSTAMP_APP_ENTRY_H_
#define REVSTAMP_APP_ENTRY_H_

#include <string>

#include "app/framework.h"

/// Printed on standard output, byte for byte, when the framework can't be
/// initialised: "错误: MFC 初始化失败" and a line feed, in code page 936
/// (21 bytes), whatever the console's code page.
extern const char kFrameworkInitFailed[];

/// The command whose output becomes CommitHash.
extern const char kRevParseCommand[];

/// Runs the whole sequence and returns the exit status. `init` initialises
/// the framework; the executable passes InitFramework.
int RevstampMain(int argc, const char* const* argv, FrameworkInit init);

/// The mode the arguments select: with exactly one argument after the
/// program name, that argument read as a number (ParseMode); otherwise 1.
int ModeFromArguments(int argc, const char* const* argv);

/// Reads a number the way atoi does (leading white space, an optional sign,
/// then digits up to the first non-digit; no digits gives 0), except that a
/// value outside the int range saturates to INT_MIN or INT_MAX instead of
/// wrapping, so no out-of-range number can select a real mode.
int ParseMode(const char* text);

/// Removes every line feed from `text`, in place. Carriage returns stay.
void RemoveLineFeeds(std::string& text);

#endif  // REVSTAMP_APP_ENTRY_H_

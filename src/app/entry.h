// The entry routine: the tool's whole run, from locating itself to its exit
// status. docs/guide.md tells the run's story.
#ifndef REVSTAMP_APP_ENTRY_H_
#define REVSTAMP_APP_ENTRY_H_

#include <string>

#include "app/framework.h"

/// Printed on standard output, byte for byte, when the framework can't be
/// initialised: "错误: MFC 初始化失败" and a line feed, in code page 936
/// (21 bytes), whatever the console's code page.
extern const char kFrameworkInitFailed[];

/// Runs the tool and returns the exit status: 1, after printing
/// kFrameworkInitFailed and doing nothing else, when `init` fails (the
/// executable passes InitFramework); 0 in every other case, whatever the
/// stamping did.
int RevstampMain(int argc, const char* const* argv, FrameworkInit init);

/// The mode the arguments select: with exactly one argument after the
/// program name, that argument read as a number (ParseMode); otherwise 1.
int ModeFromArguments(int argc, const char* const* argv);

/// Reads a number the way atoi does (leading white space, an optional sign,
/// then digits up to the first non-digit; no digits gives 0), except that a
/// value outside the int range saturates to INT_MIN or INT_MAX instead of
/// wrapping, so no out-of-range number can select a real mode.
int ParseMode(const char* text);

#endif  // REVSTAMP_APP_ENTRY_H_

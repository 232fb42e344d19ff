// RunCommand: runs one command line as a hidden child process, waits for it
// to end, and returns everything it wrote to standard output and standard
// error, in the order it wrote it, as one text cut at the first NUL byte.
//
// The child gets no input, inherits the caller's environment and working
// directory, and shares one pipe for both output streams. The caller learns
// nothing of the child's exit code: a failing command is recognised, if at
// all, by what it printed.
//
// Output is read while the child runs, so a child that prints more than the
// pipe holds still finishes and all of its output is kept. The call returns
// as soon as the child has ended and its output is read, even if a process it
// started in the background still holds the pipe open.
//
// If the command line's program can't be started at all, RunCommand prints
// "CreateProcess last error <code> \n" on standard output and returns the
// empty text.
//
// command_runner-win32.cc hands the line to CreateProcessA. On POSIX,
// command_runner-posix.cc splits the line as the Windows C runtime would
// (command_line.h) and serves "cmd /c ..." itself: see there.
#ifndef REVSTAMP_PROCESS_COMMAND_RUNNER_H_
#define REVSTAMP_PROCESS_COMMAND_RUNNER_H_

#include <string>

/// Size of the pipe the child writes into, and of each read from it.
constexpr unsigned kPipeSize = 8912;

std::string RunCommand(const std::string& commandLine);

#endif  // REVSTAMP_PROCESS_COMMAND_RUNNER_H_

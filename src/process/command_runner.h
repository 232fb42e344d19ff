// RunCommand: one command line, run as a hidden child process, and what it
// wrote.
#ifndef REVSTAMP_PROCESS_COMMAND_RUNNER_H_
#define REVSTAMP_PROCESS_COMMAND_RUNNER_H_

#include <string>

/// What a command left behind.
struct CommandResult {
  /// Everything the child wrote on both its streams, in the order it came,
  /// cut at the first NUL byte.
  std::string text;
  /// What it wrote on its output stream alone, cut at the first NUL byte.
  std::string standardOutput;
  /// How the child ended: its exit status (128 plus the signal's number for
  /// a POSIX child that a signal ended), or -1 when it couldn't be started.
  int exitStatus = -1;
};

/// Runs `commandLine` as a child with no input, the caller's environment and
/// working directory, and a pipe for each of its output streams; its first
/// word names the program, and "cmd /c <rest>" runs <rest> through the
/// command interpreter. Returns once the child has ended. A process the
/// child left behind holding the pipes doesn't hold up the return.
///
/// When the program can't be started at all, prints "CreateProcess last
/// error <code> \n" on standard output and returns no text.
CommandResult RunCommand(const std::string& commandLine);

#endif  // REVSTAMP_PROCESS_COMMAND_RUNNER_H_

// RunCommand: one command line, run as a hidden child process, and what it
// wrote.
#ifndef REVSTAMP_PROCESS_COMMAND_RUNNER_H_
#define REVSTAMP_PROCESS_COMMAND_RUNNER_H_

#include <string>

/// Runs `commandLine` as a child with no input, the caller's environment and
/// working directory, and one pipe for both its output streams; its first
/// word names the program, and "cmd /c <rest>" runs <rest> through the
/// command interpreter. Returns, once the child has ended, everything it
/// wrote, in order, cut at the first NUL byte. A process the child left
/// behind holding the pipe doesn't hold up the return. The child's exit code
/// is not looked at: a failing command shows only in what it printed.
///
/// When the program can't be started at all, prints "CreateProcess last
/// error <code> \n" on standard output and returns the empty text.
std::string RunCommand(const std::string& commandLine);

#endif  // REVSTAMP_PROCESS_COMMAND_RUNNER_H_

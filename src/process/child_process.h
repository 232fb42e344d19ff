// The platform's part of RunCommand (command_runner.h): start one child and
// collect its output until it has ended. child_process-win32.cc uses
// CreatePipe and CreateProcessA; child_process-posix.cc uses posix_spawn
// and serves "cmd /c ..." itself (command_line.h).
#ifndef REVSTAMP_PROCESS_CHILD_PROCESS_H_
#define REVSTAMP_PROCESS_CHILD_PROCESS_H_

#include <cstddef>
#include <string>

#include "process/command_runner.h"

/// Size of the pipe the child writes into (what CreatePipe is asked for),
/// and of each read from it: 8912 bytes, as the tool has always asked; not
/// a slip for 8192.
constexpr unsigned kPipeSize = 8912;

/// Starts `commandLine` as RunCommand describes and fills `result`: all the
/// child wrote, NUL bytes included, and its exit status. Returns 0, or the
/// system's error code when the program can't be started. A pipe that can't
/// be made gives 0, no text and the status -1.
int RunChild(const std::string& commandLine, CommandResult* result);

/// Adds `size` bytes the child wrote to `result`: to its text, and to its
/// standardOutput too when they came on the output stream.
inline void AppendWritten(CommandResult* result, bool isOutput, const char* data,
                          std::size_t size) {
  result->text.append(data, size);
  if (isOutput) result->standardOutput.append(data, size);
}

#endif  // REVSTAMP_PROCESS_CHILD_PROCESS_H_

// The platform's part of RunCommand (command_runner.h): start one child and
// collect its output until it has ended. child_process-win32.cc uses
// CreatePipe and CreateProcessA; child_process-posix.cc uses posix_spawn
// and serves "cmd /c ..." itself (command_line.h).
#ifndef REVSTAMP_PROCESS_CHILD_PROCESS_H_
#define REVSTAMP_PROCESS_CHILD_PROCESS_H_

#include <string>

/// Size of the pipe the child writes into, and of each read from it.
constexpr unsigned kPipeSize = 8912;

/// Starts `commandLine` as RunCommand describes and leaves in `output` all
/// the child wrote, NUL bytes included. Returns 0, or the system's error
/// code when the program can't be started (`output` is then empty). A pipe
/// that can't be made gives 0 and no output.
int RunChild(const std::string& commandLine, std::string* output);

#endif  // REVSTAMP_PROCESS_CHILD_PROCESS_H_

// Windows side of child_process.h: CreatePipe and CreateProcessA.
#include "process/child_process.h"

#include <windows.h>

#include <vector>

namespace {

// An anonymous pipe whose ends the child inherits; closed with this object.
struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  Pipe() = default;
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() {
    if (read) CloseHandle(read);
    if (write) CloseHandle(write);
  }
  bool Create() {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    return CreatePipe(&read, &write, &inheritable, kPipeSize) != 0;
  }
};

// Takes what is waiting in `pipe` right now, and no more, into `result`
// (AppendWritten). Returns false when nothing was waiting (or the pipe failed).
bool ReadWaiting(HANDLE pipe, bool isOutput, CommandResult* result) {
  DWORD waiting = 0;
  if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0)
    return false;
  std::vector<char> buffer(waiting);
  DWORD got = 0;
  if (!ReadFile(pipe, buffer.data(), waiting, &got, nullptr)) return false;
  AppendWritten(result, isOutput, buffer.data(), got);
  return got > 0;
}

// Takes what waits in both pipes. The error stream comes first, as on POSIX:
// Git writes its messages as they come, and its output when it exits.
bool ReadBoth(const Pipe& error, const Pipe& output, CommandResult* result) {
  bool errors = ReadWaiting(error.read, false, result);
  return ReadWaiting(output.read, true, result) || errors;
}

}  // namespace

int RunChild(const std::string& commandLine, CommandResult* result) {
  *result = CommandResult();
  Pipe error, output;
  if (!error.Create() || !output.Create()) return 0;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = output.write;
  startup.hStdError = error.write;
  PROCESS_INFORMATION child = {};
  // CreateProcessA may write into the line it is given.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &child))
    return static_cast<int>(GetLastError());

  // Anonymous pipes can't be waited on, so read whatever is waiting between
  // short waits on the child. While output flows the loop doesn't wait at
  // all; the child's end wakes the wait at once.
  bool flowing = false;
  while (WaitForSingleObject(child.hProcess, flowing ? 0 : 1) == WAIT_TIMEOUT)
    flowing = ReadBoth(error, output, result);
  // The child has ended, so all it wrote is waiting now. Take that once: a
  // process it left behind may still be writing.
  ReadBoth(error, output, result);
  DWORD status;
  if (GetExitCodeProcess(child.hProcess, &status)) result->exitStatus = static_cast<int>(status);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  return 0;
}

// Windows side of child_process.h: CreatePipe and CreateProcessA.
#include "process/child_process.h"

#include <windows.h>

#include <vector>

namespace {

// Takes what is waiting in the pipe, without blocking. Returns false when
// nothing was (or the pipe failed).
bool ReadWaiting(HANDLE pipe, std::string* out) {
  DWORD waiting = 0;
  if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0)
    return false;
  std::vector<char> buffer(waiting);
  DWORD got = 0;
  if (!ReadFile(pipe, buffer.data(), waiting, &got, nullptr)) return false;
  out->append(buffer.data(), got);
  return got > 0;
}

}  // namespace

int RunChild(const std::string& commandLine, CommandResult* result) {
  *result = CommandResult();
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, kPipeSize)) return 0;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION child = {};
  // CreateProcessA may write into the line it is given.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  int error = 0;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &child)) {
    error = static_cast<int>(GetLastError());
  } else {
    // Anonymous pipes can't be waited on, so read whatever is waiting
    // between short waits on the child. While output flows the loop doesn't
    // wait at all; the child's end wakes the wait at once.
    bool flowing = false;
    for (;;) {
      DWORD wait = WaitForSingleObject(child.hProcess, flowing ? 0 : 1);
      if (wait != WAIT_TIMEOUT) break;
      flowing = ReadWaiting(readEnd, &result->text);
    }
    // The child has ended, so all it wrote is waiting now. Take that once: a
    // process it left behind may still be writing.
    ReadWaiting(readEnd, &result->text);
    DWORD status;
    if (GetExitCodeProcess(child.hProcess, &status)) result->exitStatus = static_cast<int>(status);
  }
  if (child.hProcess) CloseHandle(child.hProcess);
  if (child.hThread) CloseHandle(child.hThread);
  CloseHandle(readEnd);
  CloseHandle(writeEnd);
  return error;
}

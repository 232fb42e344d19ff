// Windows side of command_runner.h: CreatePipe and CreateProcessA.
#include "process/command_runner.h"

#include <windows.h>

#include <cstdio>
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

std::string RunCommand(const std::string& commandLine) {
  std::string result;
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, kPipeSize)) return result;

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
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &child)) {
    std::printf("CreateProcess last error %d \n", static_cast<int>(GetLastError()));
  } else {
    // Anonymous pipes can't be waited on, so read whatever is waiting
    // between short waits on the child. While output flows the loop doesn't
    // wait at all; the child's end wakes the wait at once.
    bool flowing = false;
    for (;;) {
      DWORD wait = WaitForSingleObject(child.hProcess, flowing ? 0 : 1);
      if (wait != WAIT_TIMEOUT) break;
      flowing = ReadWaiting(readEnd, &result);
    }
    // The child has ended, so all it wrote is waiting now. Take that once: a
    // process it left behind may still be writing.
    ReadWaiting(readEnd, &result);
  }
  if (child.hProcess) CloseHandle(child.hProcess);
  if (child.hThread) CloseHandle(child.hThread);
  CloseHandle(readEnd);
  CloseHandle(writeEnd);

  std::size_t nul = result.find('\0');
  if (nul != std::string::npos) result.resize(nul);
  return result;
}

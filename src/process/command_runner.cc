#include "process/command_runner.h"

#include <cstdio>
#include <cstring>

#include "process/child_process.h"

CommandResult RunCommand(const std::string& commandLine) {
  CommandResult result;
  int error = RunChild(commandLine, &result);
  if (error != 0) {
    std::printf("CreateProcess last error %d \n", error);
    return CommandResult();
  }
  // The texts end at their first NUL.
  result.text.resize(std::strlen(result.text.c_str()));
  result.standardOutput.resize(std::strlen(result.standardOutput.c_str()));
  return result;
}

#include "process/command_runner.h"

#include <cstdio>
#include <cstring>

#include "process/child_process.h"

std::string RunCommand(const std::string& commandLine) {
  std::string output;
  int error = RunChild(commandLine, &output);
  if (error != 0) {
    std::printf("CreateProcess last error %d \n", error);
    return std::string();
  }
  output.resize(std::strlen(output.c_str()));  // the text ends at its first NUL
  return output;
}

// Windows side of platform.h: the Win32 calls themselves.
#include "app/platform.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <cstdio>
#include <string>

ModuleHandle CurrentModule() { return GetModuleHandleA(nullptr); }

const char* RawCommandLine() { return GetCommandLineA(); }

bool GetExecutablePath(TextBuffer& path) {
  DWORD length = GetModuleFileNameA(nullptr, path, kTextLimit);
  // A result of kTextLimit means the path was cut to fit the buffer.
  if (length == 0 || length >= kTextLimit) {
    path[0] = '\0';
    return false;
  }
  return true;
}

void UseBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

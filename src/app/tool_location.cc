#include "app/tool_location.h"

#include <cstring>
#include <string>

#include "app/platform.h"

TextBuffer ToolDirectory;
TextBuffer ToolFolderName;

namespace {

// Capacities of the runtime splitter's buffers, terminator excluded.
constexpr std::size_t kMaxDrive = 2;
constexpr std::size_t kMaxPart = 255;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool SplitToolPath(const char* path, TextBuffer& directory, TextBuffer& folder) {
  directory[0] = '\0';
  folder[0] = '\0';
  std::size_t length = std::strlen(path);

  std::size_t driveLength = (length >= 2 && path[1] == ':') ? kMaxDrive : 0;
  const char* rest = path + driveLength;
  const char* lastSeparator = nullptr;
  const char* lastDot = nullptr;
  for (const char* p = rest; *p; ++p) {
    if (IsSeparator(*p)) lastSeparator = p;
    else if (*p == '.') lastDot = p;
  }
  const char* name = lastSeparator ? lastSeparator + 1 : rest;
  if (lastDot && lastDot < name) lastDot = nullptr;
  const char* end = path + length;
  std::size_t directoryLength = static_cast<std::size_t>(name - rest);
  std::size_t nameLength = static_cast<std::size_t>((lastDot ? lastDot : end) - name);
  std::size_t extensionLength = lastDot ? static_cast<std::size_t>(end - lastDot) : 0;
  // The runtime splitter refuses the whole path when any part overflows its
  // buffer; so do we.
  if (directoryLength > kMaxPart || nameLength > kMaxPart ||
      extensionLength > kMaxPart)
    return false;

  std::memcpy(directory, path, driveLength + directoryLength);
  directory[driveLength + directoryLength] = '\0';

  // The folder name is what follows the last backslash once the closing one
  // is dropped. Only backslashes count here: the platform hands paths over
  // in Windows form.
  std::string working(directory);
  if (!working.empty() && working.back() == '\\') working.pop_back();
  std::size_t slash = working.rfind('\\');
  if (slash != std::string::npos)
    FormatText(folder, "%s", working.c_str() + slash + 1);
  return true;
}

void LocateTool() {
  // A path that can't be had splits into two empty texts.
  TextBuffer path = "";
  if (!GetExecutablePath(path)) path[0] = '\0';
  SplitToolPath(path, ToolDirectory, ToolFolderName);
}

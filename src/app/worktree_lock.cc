#include "app/worktree_lock.h"

#include "app/platform.h"
#include "common/file_system.h"
#include "common/paths.h"

std::string WorkTreeEntry(const std::string& toolDirectory) {
  std::string folder;
  if (!ResolvePath(toolDirectory, &folder)) folder = toolDirectory;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  for (;;) {
    if (PathExists(folder + ".git")) return folder + ".git";
    // Up one folder: to the backslash before the one that ends `folder`.
    std::size_t up = folder.size() < 2 ? std::string::npos
                                       : folder.rfind('\\', folder.size() - 2);
    if (up == std::string::npos) break;
    folder.resize(up + 1);
  }
  TextBuffer executable = "";
  GetExecutablePath(executable);
  return executable;
}

std::string GitFolder(const std::string& entry) {
  std::string link;
  if (!ReadFileStart(entry, 4096, &link) || link.compare(0, 8, "gitdir: ") != 0) return entry;
  std::string folder = WindowsPath(link.substr(8, link.find_first_of("\r\n") - 8));
  const bool absolute = (!folder.empty() && folder[0] == '\\') ||
                        (folder.size() > 1 && folder[1] == ':');
  return absolute ? folder : entry.substr(0, entry.rfind('\\') + 1) + folder;
}

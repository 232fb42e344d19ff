#include "app/worktree_lock.h"

#include "app/platform.h"

std::string WorkTreeEntry(const std::string& toolDirectory) {
  std::string folder;
  if (!ResolvePath(toolDirectory, &folder)) folder = toolDirectory;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  for (;;) {
    if (EntryExists(folder + ".git")) return folder + ".git";
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

// Paths inside the tool are Windows paths, with '\' as separator, as the
// formats produce them. On POSIX the platform layer turns them into the
// system's form at its boundary, and the system's answers back: these are
// the two turns.
#ifndef REVSTAMP_COMMON_PATHS_H_
#define REVSTAMP_COMMON_PATHS_H_

#include <algorithm>
#include <string>

/// `path` with every '\' as '/'.
inline std::string PosixPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

/// `path` with every '/' as '\'.
inline std::string WindowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

#endif  // REVSTAMP_COMMON_PATHS_H_

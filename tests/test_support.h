// Helpers shared by the tests: temporary folders, file contents, capturing
// standard output, and the test binary re-run as a child process.
#ifndef REVSTAMP_TESTS_TEST_SUPPORT_H_
#define REVSTAMP_TESTS_TEST_SUPPORT_H_

#include <filesystem>
#include <string>

namespace testsupport {

namespace fs = std::filesystem;

/// A fresh, empty folder that is removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }
  /// The folder's path in the form the tool's own code uses (Windows form:
  /// '\' as separator, on POSIX too).
  std::string ToolPath(const std::string& name = "") const;

 private:
  fs::path path_;
};

std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const std::string& bytes);

/// Redirects file descriptor 1 into a file until Finish, which returns
/// exactly the bytes written there.
class CapturedStdout {
 public:
  CapturedStdout();
  ~CapturedStdout();
  std::string Finish();

 private:
  TempFolder folder_;
  int saved_ = -1;
};

/// The running test binary, in the tool's path form.
std::string TestBinary();

/// A command line that re-runs the test binary as the child `role` (see
/// test_children.cc).
std::string ChildCommand(const std::string& role, const std::string& args = "");

/// The folder of the running test binary, in native form.
fs::path TestBinaryFolder();

/// The folder holding the git test double (git, or git.exe on Windows),
/// in native form.
fs::path TestDoubleFolder();

/// Sets an environment variable for this process and the children it starts.
void SetEnv(const std::string& name, const std::string& value);

/// Puts `folder` in front of PATH until destroyed.
class PathPrefix {
 public:
  explicit PathPrefix(const fs::path& folder);
  ~PathPrefix();

 private:
  std::string saved_;
};

/// What the child role "big" prints: 1 MiB of lines.
std::string BigOutput();

/// Ends the process that the child role "background" left behind, which
/// waits for `file`. Returns false if it didn't end within a minute.
bool ReleaseLingeringProcess(const fs::path& file);

/// Plays the child role `role` and returns its exit code (99 for a role that
/// doesn't exist).
int RunTestChild(const std::string& role, int argc, char** argv);

}  // namespace testsupport

#endif  // REVSTAMP_TESTS_TEST_SUPPORT_H_

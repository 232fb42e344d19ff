#include "test_support.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "app/platform.h"

namespace testsupport {

namespace {

#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

// The tool's path form back to the native one.
fs::path NativePath(std::string toolPath) {
#ifndef _WIN32
  for (char& c : toolPath)
    if (c == '\\') c = '/';
#endif
  return fs::path(toolPath);
}

}  // namespace

namespace {

std::string UniqueName() {
  static std::mt19937_64 random{std::random_device{}()};
  return "revstamp-test-" + std::to_string(random());
}

}  // namespace

TempFolder::TempFolder() : path_(fs::temp_directory_path() / UniqueName()) {
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempFolder::ToolPath(const std::string& name) const {
  std::string text = (name.empty() ? path_ : path_ / name).string();
#ifndef _WIN32
  for (char& c : text)
    if (c == '/') c = '\\';
#endif
  return text;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

CapturedStdout::CapturedStdout() {
  std::fflush(stdout);
  saved_ = dup(1);
  // Opened in the runtime's default (text) mode: on Windows that would turn
  // LF into CR LF unless the code under test switches standard output to
  // binary, which is what the tests want to see.
  int file = open((folder_.path() / "stdout").string().c_str(),
                  O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(file, 1);
  close(file);
}

CapturedStdout::~CapturedStdout() { Finish(); }

std::string CapturedStdout::Finish() {
  if (saved_ < 0) return std::string();
  std::fflush(stdout);
  dup2(saved_, 1);
  close(saved_);
  saved_ = -1;
  return ReadBytes(folder_.path() / "stdout");
}

std::string TestBinary() {
  TextBuffer path = "";
  GetExecutablePath(path);
  return path;
}

std::string ChildCommand(const std::string& role, const std::string& args) {
  return "\"" + TestBinary() + "\" --child=" + role + (args.empty() ? "" : " " + args);
}

fs::path TestBinaryFolder() { return NativePath(TestBinary()).parent_path(); }

fs::path TestDoubleFolder() { return TestBinaryFolder() / "testbin"; }

void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv((name + "=" + value).c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

PathPrefix::PathPrefix(const fs::path& folder) {
  const char* path = std::getenv("PATH");
  saved_ = path ? path : "";
  SetEnv("PATH", folder.string() + kPathListSeparator + saved_);
}

PathPrefix::~PathPrefix() { SetEnv("PATH", saved_); }

}  // namespace testsupport

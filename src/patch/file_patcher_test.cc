#include "patch/file_patcher.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "patch/file_io.h"
#include "test_support.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace testsupport;

namespace {

const std::string kOriginal = "line 1\r\nVALUE \"OriginalFilename\", \"Widget.exe\"\r\n";
const TextList kSearch = {"VALUE \"OriginalFilename\", \"Widget.exe\""};
const TextList kReplacement = {"VALUE \"OriginalFilename\", \"1a2b3c4\""};
const std::string kPatched = "line 1\r\nVALUE \"OriginalFilename\", \"1a2b3c4\"\r\n";

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

class FilePatcherTest : public testing::Test {
 protected:
  FilePatcherTest() { WriteBytes(file(), kOriginal); }
  fs::path file() const { return folder_.path() / "Widget.rc"; }
  std::string path() const { return folder_.ToolPath("Widget.rc"); }
  TempFolder folder_;
};

}  // namespace

TEST_F(FilePatcherTest, RewritesTheFileInPlace) {
  struct Case {
    const char* what;
    std::string before;
    TextList search, replacement;
    std::string after;
  } cases[] = {
      {"the stamp", kOriginal, kSearch, kReplacement, kPatched},
      {"no match: same bytes", kOriginal, {"absent"}, {"x"}, kOriginal},
      {"empty lists", kOriginal, {}, {}, kOriginal},
      {"empty file", "", kSearch, kReplacement, ""},
  };
  for (const Case& c : cases) {
    WriteBytes(file(), c.before);
    EXPECT_EQ(PatchFile(path(), c.search, c.replacement), 1) << c.what;
    EXPECT_EQ(ReadBytes(file()), c.after) << c.what;
    EXPECT_EQ(Names(folder_.path()), std::vector<std::string>{"Widget.rc"}) << c.what;
  }
}

TEST_F(FilePatcherTest, RefusesWithoutTouchingAnything) {
  fs::create_directory(folder_.path() / "Folder.rc");
  ExclusiveFile holder;
  struct Case {
    const char* what;
    std::function<void()> setUp;
    std::string path;
    TextList search;
  } cases[] = {
      {"lists of different lengths", [] {}, path(), {"a", "b"}},
      {"empty path", [] {}, "", kSearch},
      {"missing file", [] {}, folder_.ToolPath("Missing.rc"), kSearch},
      {"a directory", [] {}, folder_.ToolPath("Folder.rc"), kSearch},
      {"held open elsewhere", [&] { ASSERT_TRUE(holder.Open(path())); }, path(), kSearch},
      {"read-only", [&] {
         holder.Close();
         fs::permissions(file(), fs::perms::owner_write | fs::perms::group_write |
                                     fs::perms::others_write, fs::perm_options::remove);
       }, path(), kSearch},
      {"4 GiB or more", [&] {
         fs::permissions(file(), fs::perms::owner_write, fs::perm_options::add);
         fs::resize_file(file(), 1ull << 32);
       }, path(), kSearch},
  };
  for (const Case& c : cases) {
    c.setUp();
    std::string before = fs::file_size(file()) < 1000 ? ReadBytes(file()) : "";
    auto size = fs::file_size(file());
    EXPECT_EQ(PatchFile(c.path, c.search, kReplacement), 0) << c.what;
    EXPECT_EQ(fs::file_size(file()), size) << c.what;
    if (!before.empty()) {
      EXPECT_EQ(ReadBytes(file()), before) << c.what;
    }
    EXPECT_EQ(Names(folder_.path()).size(), 2u) << c.what;
  }
}

TEST(ReadExactlyTest, AcceptsExactlyTheLengthAndNothingElse) {
  struct Case {
    const char* what;
    std::string source;
    std::size_t chunk;  // most bytes one read delivers
    bool fails;         // the read after the source's bytes fails
    bool ok;
  } cases[] = {
      {"exact, in one read", "abcd", 4, false, true},
      {"exact, in pieces", "abcd", 1, false, true},
      {"short read", "abc", 4, false, false},
      {"more than the length", "abcde", 4, false, false},
      {"read error", "abcd", 4, true, false},
  };
  for (const Case& c : cases) {
    std::size_t at = 0;
    auto read = [&](char* buffer, std::size_t count) -> long long {
      if (at == c.source.size()) return c.fails ? -1 : 0;
      std::size_t n = std::min({count, c.chunk, c.source.size() - at});
      c.source.copy(buffer, n, at);
      at += n;
      return static_cast<long long>(n);
    };
    char buffer[4];
    EXPECT_EQ(ReadExactly(read, buffer, 4), c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(std::string(buffer, 4), c.source) << c.what;
    }
  }
}

#ifndef _WIN32
TEST_F(FilePatcherTest, KeepsPermissionsAndSymbolicLinks) {
  for (mode_t mode : {0640, 0755, 0604}) {
    WriteBytes(file(), kOriginal);
    ASSERT_EQ(chmod(file().c_str(), mode), 0);
    EXPECT_EQ(PatchFile(path(), kSearch, kReplacement), 1);
    struct stat info;
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
  }
  WriteBytes(file(), kOriginal);
  fs::create_symlink("Widget.rc", folder_.path() / "Link.rc");
  EXPECT_EQ(PatchFile(folder_.ToolPath("Link.rc"), kSearch, kReplacement), 1);
  EXPECT_TRUE(fs::is_symlink(folder_.path() / "Link.rc"));
  EXPECT_EQ(ReadBytes(file()), kPatched);
}

// Runs PatchFile in a child process under a resource limit and returns its
// result.
int PatchUnderLimit(const std::string& path, int resource, rlim_t limit) {
  pid_t pid = fork();
  if (pid == 0) {
    rlimit rl = {limit, limit};
    if (setrlimit(resource, &rl) != 0) _exit(99);
    _exit(PatchFile(path, kSearch, kReplacement));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FilePatcherTest, AFailingWriteLeavesTheOldBytes) {
  // The full disk, as a file size limit below the new content's size.
  EXPECT_EQ(PatchUnderLimit(path(), RLIMIT_FSIZE, kPatched.size() - 1), 0);
  EXPECT_EQ(ReadBytes(file()), kOriginal);
  EXPECT_EQ(Names(folder_.path()), std::vector<std::string>{"Widget.rc"});
}

// AddressSanitizer reserves more address space than any such limit allows.
#ifndef REVSTAMP_SANITIZED
TEST_F(FilePatcherTest, MemoryThatCantBeHadLeavesTheFileAlone) {
  fs::resize_file(file(), 512u << 20);  // sparse: costs no disk
  EXPECT_EQ(PatchUnderLimit(path(), RLIMIT_AS, 256u << 20), 0);
  EXPECT_EQ(fs::file_size(file()), 512u << 20);
  EXPECT_EQ(Names(folder_.path()), std::vector<std::string>{"Widget.rc"});
}
#endif
#endif  // _WIN32

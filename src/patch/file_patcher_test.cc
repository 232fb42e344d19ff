#include "patch/file_patcher.h"

#include <functional>
#include <iterator>
#include <memory>

#include <gtest/gtest.h>

#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

// The rewrite (a new file with what the old one was) is tested end to end
// (tests/e2e.sh); here, files that are refused, and a symbolic link.
namespace {

const TextList kSearch = {"W"}, kStamp = {"1a2b3c4"};

#ifdef _WIN32
// The file open in another handle, one that shares all it can.
struct HeldOpen {
  HANDLE file;
  explicit HeldOpen(const fs::path& p)
      : file(CreateFileA(p.string().c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldOpen() { CloseHandle(file); }
};
#endif

}  // namespace

TEST(FilePatcherTest, RefusesWithoutTouchingAnything) {
  TempFolder folder;
  const fs::path file = folder / "W.rc";
#ifdef _WIN32
  std::unique_ptr<HeldOpen> holder;
#endif
  struct Case {
    const char* what;
    std::function<void()> setUp;
  } cases[] = {
      {"read-only", [&] {
         fs::permissions(file, fs::perms::owner_write | fs::perms::group_write |
                                   fs::perms::others_write, fs::perm_options::remove); }},
      {"4 GiB", [&] { fs::resize_file(file, 1ull << 32); }},
#ifdef _WIN32  // last: it holds the file to the end
      {"held open", [&] { holder = std::make_unique<HeldOpen>(file); }},
#endif
  };
  for (const Case& c : cases) {
    std::error_code ignored;  // each row from a fresh, writable file
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
    WriteBytes(file, "W");
    c.setUp();
    const auto size = fs::file_size(file);
    EXPECT_EQ(PatchFile(file.string(), kSearch, kStamp), 0) << c.what;
    EXPECT_TRUE(fs::file_size(file) == size && (size > 1 || ReadBytes(file) == "W")) << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 1) << c.what;
  }
#ifndef _WIN32
  // A symbolic link stays one; the file it names is rewritten.
  WriteBytes(file, "W");
  fs::create_symlink("W.rc", folder / "link");
  EXPECT_EQ(PatchFile((folder / "link").string(), kSearch, kStamp), 1);
  EXPECT_TRUE(fs::is_symlink(folder / "link") && ReadBytes(file) == "1a2b3c4");
#endif
}

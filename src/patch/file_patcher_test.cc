#include "patch/file_patcher.h"

#include <chrono>
#include <functional>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "patch/file_io.h"
#include "test_support.h"

// The rewrite (a new file with what the old one was, in a link's place too)
// is tested end to end (tests/e2e.sh); here, files that are refused or
// waited for.
namespace {

const TextList kSearch = {"W"}, kStamp = {"1a2b3c4"};

}  // namespace

TEST(FilePatcherTest, RefusesWithoutTouchingAnything) {
  TempFolder folder;
  const fs::path file = folder / "W.rc";
  ExclusiveFile holder;  // another open without sharing (on POSIX, an flock)
  struct Case {
    const char* what;
    std::function<void()> setUp;
  } cases[] = {
      {"read-only", [&] {
         fs::permissions(file, fs::perms::owner_write | fs::perms::group_write |
                                   fs::perms::others_write, fs::perm_options::remove); }},
      {"4 GiB", [&] { fs::resize_file(file, 1ull << 32); }},
      {"held open for longer than it is waited for", [&] { holder.Open(file.string()); }},
  };
  for (const Case& c : cases) {
    std::error_code ignored;  // each row from a fresh, writable file
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
    WriteBytes(file, "W");
    c.setUp();
    const auto size = fs::file_size(file);
    EXPECT_EQ(PatchFile(file.string(), kSearch, kStamp), 0) << c.what;
    holder.Close();
    EXPECT_TRUE(fs::file_size(file) == size && (size > 1 || ReadBytes(file) == "W")) << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 1) << c.what;
  }
  // Held for a moment only: waited for.
  ASSERT_TRUE(holder.Open(file.string()));
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.Close();
  });
  EXPECT_EQ(PatchFile(file.string(), kSearch, kStamp), 1);
  release.join();
  EXPECT_EQ(ReadBytes(file), "1a2b3c4");
}

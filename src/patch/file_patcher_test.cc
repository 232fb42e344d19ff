#include "patch/file_patcher.h"

#include "patch/file_io.h"
#include "test_support.h"

// The rewrite (a new file with what the old one was, in a link's place too)
// and files held by other programs are tested end to end (tests/e2e.sh);
// here, files that are refused.
TEST(FilePatcherTest, RefusesWithoutTouchingAnything) {
  TempFolder folder;
  const fs::path file = folder / "W.rc";
  struct Case { const char* what; std::function<void()> setUp; } cases[] = {
      {"read-only", [&] {
         fs::permissions(file, fs::perms::owner_write | fs::perms::group_write |
                                   fs::perms::others_write, fs::perm_options::remove); }},
      {"4 GiB", [&] { fs::resize_file(file, 1ull << 32); }},
  };
  for (const Case& c : cases) {
    std::error_code ignored;  // each row from a fresh, writable file
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
    WriteBytes(file, "W");
    c.setUp();
    const auto size = fs::file_size(file);
    EXPECT_EQ(PatchFile(file.string(), {"W"}, {"1a2b3c4"}), 0) << c.what;
    EXPECT_TRUE(fs::file_size(file) == size && (size > 1 || ReadBytes(file) == "W")) << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 1) << c.what;
  }
}

#ifdef _WIN32
// Ctrl+C while the new file is written: the console's handler, which Wine
// can't call, waits for the rewrite on a thread of its own, as Windows calls
// it, then hands the event on so that the process ends.
TEST(FilePatcherTest, AnInterruptWaitsForTheRewriteThenEndsTheProcess) {
  auto held = std::make_unique<InterruptsHeldOff>();
  auto handled = std::async(std::launch::async, [] { return ConsoleInterrupt(0); });  // Ctrl+C
  EXPECT_EQ(handled.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  held.reset();
  EXPECT_FALSE(handled.get());
}
#endif

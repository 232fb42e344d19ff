#include "patch/file_patcher.h"

#include "patch/file_io.h"
#include "test_support.h"

namespace {

const std::string kLine = "[assembly: AssemblyCopyright(\"\")]";

std::string Stamp(const std::string& hash) { return "[assembly: AssemblyCopyright(\"" + hash + "\")]"; }

}  // namespace

// The rewrite (a new file with what the old one was, in a link's place too),
// read-only files and the wait for a held file are tested end to end
// (tests/e2e.sh, tests/builds.sh); here, a file too large to read whole.
TEST(FilePatcherTest, LeavesAFileOf4GiBAlone) {
  TempFolder folder;
  const fs::path file = folder / "W.rc";
  WriteBytes(file, "W");
  fs::resize_file(file, 1ull << 32);
  EXPECT_EQ(PatchFile(file.string(), {"W"}, {"1a2b3c4"}), 0);
  EXPECT_EQ(fs::file_size(file), 1ull << 32);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 1);
}

// What a stamp writes after Git's restore, from the text as the run found
// it: the user's edits stay, an earlier stamp gives way to the new hash. An
// edit in either encoding, before a stamp and after one, is end to end.
TEST(FilePatcherTest, KeepsWhatTheUserWrote) {
  const std::string committed = "a\n" + kLine + "\nb\n", stamped = "a\n" + Stamp("1a2b") + "\nb\n";
  struct Case {
    const char* what;
    std::optional<std::string> found;
    std::string restored, hash, written;
  } cases[] = {
      {"no file before", std::nullopt, committed, "1a2b", stamped},
      {"neither line", "a\n" + Stamp("(c) me") + "\n", committed, "1a2b", "a\n" + Stamp("(c) me") + "\n"},
      {"the line twice, the first stamped", Stamp("0ff1ce") + kLine + "!", kLine + kLine, "1a2b",
       Stamp("1a2b") + kLine + "!"},
      {"the line, then a stamp", kLine + "!" + Stamp("0ff1ce"), kLine, "1a2b",
       Stamp("1a2b") + "!" + Stamp("0ff1ce")},
      {"no hash of Git's", "a\n" + Stamp("ABCD") + "\nB\n", committed, "1a2b", "a\n" + Stamp("ABCD") + "\nB\n"},
      {"no hash to stamp", "a\n" + Stamp("0ff1ce") + "\nb\n", committed, "", committed},
  };
  TempFolder folder;
  const fs::path file = folder / "AssemblyInfo.cs";
  for (const Case& c : cases) {
    WriteBytes(file, c.restored);
    FileSnapshot found;
    if (c.found) {
      found.state = FileSnapshot::State::kTaken;
      ASSERT_TRUE(found.bytes.Allocate(c.found->size()));
      std::memcpy(found.bytes.data(), c.found->data(), c.found->size());
      found.bytes.SetSize(c.found->size());
    }
    const KeptText kept{&found, "[assembly: AssemblyCopyright(\"", "\")]"};
    const TextList replacement{c.hash.empty() ? kLine : Stamp(c.hash)};
    EXPECT_EQ(PatchFile(file.string(), {kLine}, replacement, nullptr, &kept), 1) << c.what;
    EXPECT_EQ(ReadBytes(file), c.written) << c.what;
  }
}

// A file that another process holds as an editor does, sharing all it can,
// is not opened, and is said to be held: the rewrite would take it from
// under its holder. (Under Wine the move over it fails too.)
TEST(FilePatcherTest, RefusesAFileAnotherProcessHolds) {
  TempFolder folder;
  WriteBytes(folder / "W.rc", "W");
  Holder holder(folder, "hold", "W.rc");
  File file;
  bool held = false;
  EXPECT_FALSE(file.OpenExclusive((folder / "W.rc").string(), &held));
  EXPECT_TRUE(held);
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

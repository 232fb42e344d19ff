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

namespace {

ByteBuffer Bytes(const std::string& text) {
  ByteBuffer buffer;
  buffer.Allocate(text.size());
  std::memcpy(buffer.data(), text.data(), text.size());
  buffer.SetSize(text.size());
  return buffer;
}

}  // namespace

// What a stamp writes after Git's restore, from the text as the run found
// it: the user's edits stay, an earlier stamp gives way to the new hash.
TEST(FilePatcherTest, KeepsWhatTheUserWrote) {
  using namespace std::string_literals;
  const std::string line = "[assembly: AssemblyCopyright(\"\")]";
  auto stamp = [](const std::string& hash) { return "[assembly: AssemblyCopyright(\"" + hash + "\")]"; };
  const std::string committed = "a\n" + line + "\nb\n", stamped = "a\n" + stamp("1a2b") + "\nb\n";
  auto wide = [](const std::string& text) {
    std::string units = "\xff\xfe";
    for (char c : text) units += c, units += '\0';
    return units;
  };
  struct Case { const char* what; std::optional<std::string> found; std::string restored, hash, written; };
  const Case cases[] = {
      {"no file before", std::nullopt, committed, "1a2b", stamped},
      {"as committed", committed, committed, "1a2b", stamped},
      {"an earlier stamp", "a\n" + stamp("0ff1ce") + "\nb\n", committed, "1a2b", stamped},
      {"an edit", "A\n" + line + "\nb\n", committed, "1a2b", "A\n" + stamp("1a2b") + "\nb\n"},
      {"an edit and an earlier stamp", "a\n" + stamp("0ff1ce") + "\nB\n", committed, "1a2b",
       "a\n" + stamp("1a2b") + "\nB\n"},
      {"neither line", "a\n[assembly: AssemblyCopyright(\"(c) me\")]\n", committed, "1a2b",
       "a\n[assembly: AssemblyCopyright(\"(c) me\")]\n"},
      {"the line twice, the first stamped", stamp("0ff1ce") + line + "!", line + line, "1a2b",
       stamp("1a2b") + line + "!"},
      {"no stamp but in the line's place", line + "!" + stamp("0ff1ce"), line, "1a2b",
       stamp("1a2b") + "!" + stamp("0ff1ce")},
      {"not a hash", "a\n" + stamp("ABCD") + "\nB\n", committed, "1a2b", "a\n" + stamp("ABCD") + "\nB\n"},
      {"too long a hash", "a\n" + stamp(std::string(65, 'a')) + "\n", committed, "1a2b",
       "a\n" + stamp(std::string(65, 'a')) + "\n"},
      {"the committed stamp", "x" + stamp("0ff1ce"), stamp("0ff1ce"), "1a2b", "x" + stamp("0ff1ce")},
      {"no hash to stamp", "a\n" + stamp("0ff1ce") + "\nb\n", committed, "", committed},
      {"UTF-16LE, an edit", wide("A\n" + stamp("0ff1ce")), wide("a\n" + line), "1a2b",
       wide("A\n" + stamp("1a2b"))},
  };
  TempFolder folder;
  const fs::path file = folder / "AssemblyInfo.cs";
  for (const Case& c : cases) {
    WriteBytes(file, c.restored);
    FileSnapshot found;
    if (c.found) found.state = FileSnapshot::State::kTaken, found.bytes = Bytes(*c.found);
    const KeptText kept{&found, "[assembly: AssemblyCopyright(\"", "\")]"};
    EXPECT_EQ(PatchFile(file.string(), {line}, {c.hash.empty() ? line : stamp(c.hash)}, nullptr, &kept), 1) << c.what;
    EXPECT_EQ(ReadBytes(file), c.written) << c.what;
  }
}

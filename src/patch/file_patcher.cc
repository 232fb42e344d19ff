#include "patch/file_patcher.h"

#include <cstdint>
#include <cstring>

#include "common/file_system.h"
#include "patch/file_io.h"

namespace {

// The targets are small source files. One of 4 GiB or more is left alone
// rather than read whole into memory.
constexpr std::uint64_t kMaxLength = 0xffffffffu;

// Fills `buffer` with exactly `length` bytes from `file` and checks that the
// file ends there: false on an error, on fewer bytes, or on more (it grew).
bool ReadExactly(File& file, char* buffer, std::uint64_t length) {
  std::uint64_t done = 0;
  while (done < length) {
    long long got = file.Read(buffer + done, static_cast<std::size_t>(length - done));
    if (got <= 0) return false;
    done += static_cast<std::uint64_t>(got);
  }
  char extra;
  return file.Read(&extra, 1) == 0;
}

// Reads the open `file` whole into `content`, with `headroom` bytes to spare.
bool ReadAll(File& file, std::size_t headroom, ByteBuffer* content) {
  std::uint64_t length = 0;
  if (!file.Length(&length) || length > kMaxLength || length > SIZE_MAX - headroom ||
      !content->Allocate(static_cast<std::size_t>(length) + headroom) ||
      !ReadExactly(file, content->data(), length))
    return false;
  content->SetSize(static_cast<std::size_t>(length));
  return true;
}

// `content` becomes a copy of `bytes`, with `headroom` bytes to spare.
bool CopyInto(const ByteBuffer& bytes, std::size_t headroom, ByteBuffer* content) {
  if (bytes.size() > SIZE_MAX - headroom || !content->Allocate(bytes.size() + headroom))
    return false;
  if (bytes.size() > 0) std::memcpy(content->data(), bytes.data(), bytes.size());
  content->SetSize(bytes.size());
  return true;
}

}  // namespace

int PatchFile(const std::string& path, const TextList& SearchTexts,
              const TextList& ReplacementTexts, bool* held, const KeptText* kept) {
  bool heldHere = false;
  if (!held) held = &heldHere;
  *held = false;
  if (SearchTexts.size() != ReplacementTexts.size() || (kept && SearchTexts.empty()) ||
      !PathExists(path))
    return 0;
  const std::size_t headroom = ReplacementHeadroom(ReplacementTexts);
  File file;
  ByteBuffer content;
  if (!file.OpenExclusive(path, held) || !ReadAll(file, headroom, &content)) return 0;
  file.Close();
  TextList searchTexts = SearchTexts, replacementTexts = ReplacementTexts;
  if (kept) {
    const FileSnapshot& found = *kept->found;
    std::optional<std::string_view> before;
    if (found.state == FileSnapshot::State::kTaken) before = found.bytes.view();
    StampPlan plan = PlanStamp(before, content.view(),
                               StampLine{SearchTexts[0], kept->stampStart, kept->stampEnd});
    if (plan.keepFound && !CopyInto(found.bytes, headroom, &content)) return 0;
    searchTexts[0] = plan.search;
    if (plan.search.empty()) {  // no line to replace: not even at the start
      searchTexts.erase(searchTexts.begin());
      replacementTexts.erase(replacementTexts.begin());
    }
  }
  if (!ApplyReplacements(content, searchTexts, replacementTexts) ||
      !ReplaceFileContent(path, content.data(), content.size(), held))
    return 0;
  return 1;
}

FileSnapshot TakeSnapshot(const std::string& path) {
  using State = FileSnapshot::State;
  FileSnapshot snapshot;
  File file;
  FileTime time;
  switch (file.OpenShared(path)) {
    case ReadOutcome::kNoFile: return snapshot;
    case ReadOutcome::kHeld: snapshot.state = State::kHeld; return snapshot;
    case ReadOutcome::kFailed: snapshot.state = State::kUnreadable; return snapshot;
    case ReadOutcome::kRead: break;
  }
  snapshot.state = file.LastWriteTime(&time) && ReadAll(file, 0, &snapshot.bytes)
                       ? State::kTaken
                       : State::kUnreadable;
  snapshot.seconds = time.seconds;
  snapshot.nanoseconds = time.nanoseconds;
  return snapshot;
}

void KeepTimeIfUnchanged(const std::string& path, const FileSnapshot& before) {
  if (before.state != FileSnapshot::State::kTaken) return;
  FileSnapshot now = TakeSnapshot(path);
  if (now.state == FileSnapshot::State::kTaken && now.bytes.view() == before.bytes.view() &&
      (now.seconds != before.seconds || now.nanoseconds != before.nanoseconds))
    SetLastWriteTime(path, FileTime{before.seconds, before.nanoseconds});
}

void RemoveLeftovers(const std::string& path) { RemoveLeftTempFiles(path); }

#include "patch/file_patcher.h"

#include <cstdint>

#include "patch/file_io.h"

namespace {

// Fills `buffer` with exactly `length` bytes from `file` and checks that the
// file ends there: false on an error, on fewer bytes, or on more (it grew).
bool ReadExactly(ExclusiveFile& file, char* buffer, std::uint64_t length) {
  std::uint64_t done = 0;
  while (done < length) {
    long long got = file.Read(buffer + done, static_cast<std::size_t>(length - done));
    if (got <= 0) return false;
    done += static_cast<std::uint64_t>(got);
  }
  char extra;
  return file.Read(&extra, 1) == 0;
}

// The targets are small source files. One of 4 GiB or more is left alone
// rather than read whole into memory.
constexpr std::uint64_t kMaxLength = 0xffffffffu;

bool ReadContent(const std::string& path, std::size_t headroom, ByteBuffer* content,
                 bool* held) {
  ExclusiveFile file;
  std::uint64_t length = 0;
  if (!file.Open(path, held) || !file.Length(&length) || length > kMaxLength ||
      length > SIZE_MAX - headroom ||
      !content->Allocate(static_cast<std::size_t>(length) + headroom))
    return false;
  if (!ReadExactly(file, content->data(), length)) return false;
  content->SetSize(static_cast<std::size_t>(length));
  return true;
}

}  // namespace

int PatchFile(const std::string& path, const TextList& SearchTexts,
              const TextList& ReplacementTexts, bool* held) {
  bool heldHere = false;
  if (!held) held = &heldHere;
  *held = false;
  if (SearchTexts.size() != ReplacementTexts.size() || !PathExists(path)) return 0;
  ByteBuffer content;
  if (!ReadContent(path, ReplacementHeadroom(ReplacementTexts), &content, held) ||
      !ApplyReplacements(content, SearchTexts, ReplacementTexts) ||
      !ReplaceFileContent(path, content.data(), content.size(), held))
    return 0;
  return 1;
}

FileSnapshot TakeSnapshot(const std::string& path, std::uint64_t limit) {
  FileSnapshot snapshot;
  FileTime time;
  snapshot.taken = ReadFileWithTime(path, limit, &snapshot.bytes, &time);
  snapshot.seconds = time.seconds;
  snapshot.nanoseconds = time.nanoseconds;
  return snapshot;
}

void KeepTimeIfUnchanged(const std::string& path, const FileSnapshot& before) {
  FileSnapshot now = TakeSnapshot(path, before.bytes.size());
  if (before.taken && now.taken && now.bytes == before.bytes &&
      (now.seconds != before.seconds || now.nanoseconds != before.nanoseconds))
    SetLastWriteTime(path, FileTime{before.seconds, before.nanoseconds});
}

void RemoveLeftovers(const std::string& path) { RemoveLeftTempFiles(path); }

#include "patch/file_patcher.h"

#include "patch/file_io.h"

namespace {

// The targets are small source files. One of 4 GiB or more is left alone
// rather than read whole into memory.
constexpr std::uint64_t kMaxLength = 0xffffffffu;

bool ReadContent(const std::string& path, std::size_t headroom, ByteBuffer* content) {
  ExclusiveFile file;
  std::uint64_t length = 0;
  if (!file.Open(path) || !file.Length(&length) || length > kMaxLength ||
      length > SIZE_MAX - headroom ||
      !content->Allocate(static_cast<std::size_t>(length) + headroom))
    return false;
  auto read = [&file](char* buffer, std::size_t count) { return file.Read(buffer, count); };
  if (!ReadExactly(read, content->data(), length)) return false;
  content->SetSize(static_cast<std::size_t>(length));
  return true;
}

}  // namespace

int PatchFile(const std::string& path, const TextList& SearchTexts,
              const TextList& ReplacementTexts) {
  if (SearchTexts.size() != ReplacementTexts.size() || !PathExists(path)) return 0;
  ByteBuffer content;
  if (!ReadContent(path, ReplacementHeadroom(ReplacementTexts), &content) ||
      !ApplyReplacements(content, SearchTexts, ReplacementTexts) ||
      !ReplaceFileContent(path, content.data(), content.size()))
    return 0;
  return 1;
}

#include "patch/replacements.h"

#include <cstdlib>
#include <cstring>

#include "patch/utf16.h"

ByteBuffer::~ByteBuffer() { std::free(data_); }

bool ByteBuffer::Allocate(std::size_t capacity) {
  std::free(data_);
  size_ = 0;
  // malloc(0) may answer null; a buffer with no room still needs an address.
  data_ = static_cast<char*>(std::malloc(capacity ? capacity : 1));
  capacity_ = data_ ? capacity : 0;
  return data_ != nullptr;
}

bool ByteBuffer::Splice(std::size_t position, std::size_t length, std::string_view text) {
  if (position > size_ || length > size_ - position) return false;
  std::size_t tail = size_ - position - length;
  if (text.size() > capacity_ - (size_ - length)) return false;
  std::memmove(data_ + position + text.size(), data_ + position + length, tail);
  if (!text.empty()) std::memcpy(data_ + position, text.data(), text.size());
  size_ = position + text.size() + tail;
  return true;
}

namespace {

// The first occurrence of `units` at or after `from` that starts on a code
// unit boundary: an even offset.
std::size_t FindAligned(std::string_view content, std::string_view units, std::size_t from) {
  std::size_t at = content.find(units, from);
  while (at != std::string_view::npos && at % 2 != 0) at = content.find(units, at + 1);
  return at;
}

}  // namespace

std::size_t ReplacementHeadroom(const TextList& replacementTexts) {
  // Twice the texts' length: in a UTF-16 file they are inserted as UTF-16,
  // at most two bytes for each byte of theirs.
  std::size_t room = 0;
  for (const std::string& text : replacementTexts) room += 2 * std::strlen(text.c_str());
  return room;
}

bool IsUtf16Le(std::string_view content) { return content.substr(0, 2) == "\xff\xfe"; }

bool ApplyReplacements(ByteBuffer& content, const TextList& searchTexts,
                       const TextList& replacementTexts) {
  if (searchTexts.size() != replacementTexts.size()) return false;
  bool wide = IsUtf16Le(content.view());
  for (std::size_t i = 0; i < searchTexts.size(); ++i) {
    std::string_view search(searchTexts[i].c_str());
    std::string_view replacement(replacementTexts[i].c_str());
    std::string wideSearch, wideReplacement;
    std::size_t at;
    if (wide) {
      if (!ToUtf16Le(search, &wideSearch) || !ToUtf16Le(replacement, &wideReplacement))
        continue;
      search = wideSearch;
      replacement = wideReplacement;
      at = FindAligned(content.view(), search, 2);  // the text starts after the mark
    } else {
      at = content.view().find(search);
    }
    if (at == std::string_view::npos) continue;
    if (!content.Splice(at, search.size(), replacement)) return false;
  }
  return true;
}

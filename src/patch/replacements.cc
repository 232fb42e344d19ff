#include "patch/replacements.h"

#include <cstdlib>
#include <cstring>

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

std::size_t ReplacementHeadroom(const TextList& replacementTexts) {
  std::size_t room = 0;
  for (const std::string& text : replacementTexts) room += std::strlen(text.c_str());
  return room;
}

bool ApplyReplacements(ByteBuffer& content, const TextList& searchTexts,
                       const TextList& replacementTexts) {
  if (searchTexts.size() != replacementTexts.size()) return false;
  for (std::size_t i = 0; i < searchTexts.size(); ++i) {
    std::string_view search(searchTexts[i].c_str());
    std::string_view replacement(replacementTexts[i].c_str());
    std::size_t at = content.view().find(search);
    if (at == std::string_view::npos) continue;
    if (!content.Splice(at, search.size(), replacement)) return false;
  }
  return true;
}

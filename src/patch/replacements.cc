#include "patch/replacements.h"

#include <cstdlib>
#include <cstring>

#include "patch/utf16.h"

ByteBuffer::~ByteBuffer() { std::free(data_); }

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
  }
  return *this;
}

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

constexpr std::size_t npos = std::string_view::npos;

// `text` as it stands in a content of that encoding: itself, or UTF-16LE.
bool Encode(bool wide, std::string_view text, std::string* encoded) {
  if (wide) return ToUtf16Le(text, encoded);
  encoded->assign(text);
  return true;
}

// The first occurrence of the encoded `text` at or after `from`; in a
// UTF-16LE content, after the byte-order mark and at an even offset.
std::size_t FindEncoded(std::string_view content, std::string_view text, bool wide,
                        std::size_t from) {
  if (!wide) return content.find(text, from);
  std::size_t at = content.find(text, from < 2 ? 2 : from);
  while (at != npos && at % 2 != 0) at = content.find(text, at + 1);
  return at;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// An earlier stamp of a line: where it is, its length in bytes, its hash.
struct EarlierStamp {
  std::size_t at = npos, length = 0;
  std::string hash;
};

// Whether an earlier stamp of `line` stands at byte `at` of `content`, in
// the encoding `wide` says: its start, 4 to 64 of 0-9a-f, its end.
bool StampAt(std::string_view content, bool wide, std::size_t at, const StampLine& line,
             EarlierStamp* stamp) {
  std::string start, end;
  if (at > content.size() || !Encode(wide, line.start, &start) || !Encode(wide, line.end, &end) ||
      content.substr(at, start.size()) != start)
    return false;
  const std::size_t unit = wide ? 2 : 1;
  std::string hash;
  std::size_t p = at + start.size();
  for (; p + unit <= content.size() && hash.size() <= 64; p += unit) {
    if (!IsHexDigit(content[p]) || (wide && content[p + 1] != '\0')) break;
    hash += content[p];
  }
  if (hash.size() < 4 || hash.size() > 64 || content.substr(p, end.size()) != end) return false;
  *stamp = EarlierStamp{at, p + end.size() - at, hash};
  return true;
}

// The first earlier stamp of `line` in `content`, if any.
EarlierStamp FindStamp(std::string_view content, const StampLine& line) {
  EarlierStamp stamp;
  for (std::size_t at = FindText(content, line.start); at != npos;
       at = FindText(content, line.start, at + 1))
    if (StampAt(content, IsUtf16Le(content), at, line, &stamp)) return stamp;
  return EarlierStamp();
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

std::size_t FindText(std::string_view content, std::string_view text, std::size_t from) {
  const bool wide = IsUtf16Le(content);
  std::string encoded;
  return Encode(wide, text, &encoded) ? FindEncoded(content, encoded, wide, from) : npos;
}

bool ApplyReplacements(ByteBuffer& content, const TextList& searchTexts,
                       const TextList& replacementTexts) {
  if (searchTexts.size() != replacementTexts.size()) return false;
  const bool wide = IsUtf16Le(content.view());
  for (std::size_t i = 0; i < searchTexts.size(); ++i) {
    std::string search, replacement;
    if (!Encode(wide, searchTexts[i].c_str(), &search) ||
        !Encode(wide, replacementTexts[i].c_str(), &replacement))
      continue;
    const std::size_t at = FindEncoded(content.view(), search, wide, 0);
    if (at != npos && !content.Splice(at, search.size(), replacement)) return false;
  }
  return true;
}

StampPlan PlanStamp(std::optional<std::string_view> found, std::string_view restored,
                    const StampLine& line) {
  if (!found || *found == restored) return {false, line.search};
  const bool wide = IsUtf16Le(restored);
  const std::size_t lineAt = FindText(restored, line.search);
  std::string search;
  EarlierStamp stamp;
  // The restored text with an earlier stamp in its line's place, and nothing
  // else: what an earlier run left, not the user's edit.
  if (lineAt != npos && Encode(wide, line.search, &search) &&
      found->substr(0, lineAt) == restored.substr(0, lineAt) &&
      StampAt(*found, wide, lineAt, line, &stamp) &&
      found->substr(lineAt + stamp.length) == restored.substr(lineAt + search.size()))
    return {false, line.search};
  // The user's text: an earlier stamp there stands for the line that the
  // restored text holds.
  const std::size_t userAt = FindText(*found, line.search);
  stamp = lineAt == npos ? EarlierStamp() : FindStamp(*found, line);
  if (stamp.at != npos && (userAt == npos || stamp.at < userAt))
    return {true, line.start + stamp.hash + line.end};
  return {true, userAt != npos ? line.search : std::string()};
}

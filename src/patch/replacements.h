// The byte-string side of the patcher: a file's content held in one buffer,
// and the ordered first-occurrence replacements applied to it.
#ifndef REVSTAMP_PATCH_REPLACEMENTS_H_
#define REVSTAMP_PATCH_REPLACEMENTS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// An ordered list of texts. Each entry counts up to its first NUL.
using TextList = std::vector<std::string>;

/// A file's content while it is patched: one allocation, made once with room
/// for every replacement, so that patching can't run out of memory halfway
/// and a large file is held once, not twice. Allocation failure is an
/// answer (false), not an exception.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  /// Makes room for `capacity` bytes and empties the buffer. False when the
  /// memory can't be had; the buffer is then empty with no room.
  bool Allocate(std::size_t capacity);
  /// Sets the count of bytes in use; `size` must not exceed the capacity.
  void SetSize(std::size_t size) { size_ = size; }
  /// Replaces `length` bytes at `position` with `text`. False, changing
  /// nothing, when the result would exceed the capacity.
  bool Splice(std::size_t position, std::size_t length, std::string_view text);

  char* data() { return data_; }
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return std::string_view(data_, size_); }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

/// Room that ApplyReplacements may need beyond the content's own size, for
/// any content.
std::size_t ReplacementHeadroom(const TextList& replacementTexts);

/// Whether `content` starts with the UTF-16LE byte-order mark (FF FE), as
/// Visual Studio saves resource scripts.
bool IsUtf16Le(std::string_view content);

/// For each i in order, replaces the first occurrence of searchTexts[i] in
/// `content` (as it stands after the earlier pairs) with replacementTexts[i].
/// A search text that doesn't occur is skipped; an empty one matches at the
/// start. The replacement is never searched again. The lists must have the
/// same length, and `content` at least ReplacementHeadroom spare room;
/// returns false otherwise.
///
/// Content is bytes, compared exactly, except in a UTF-16LE file: there each
/// pair is matched and inserted in its UTF-16LE form (utf16.h), on code unit
/// boundaries after the byte-order mark, and a pair that doesn't convert is
/// skipped.
bool ApplyReplacements(ByteBuffer& content, const TextList& searchTexts,
                       const TextList& replacementTexts);

#endif  // REVSTAMP_PATCH_REPLACEMENTS_H_

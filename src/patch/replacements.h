// The byte-string side of the patcher: a file's content held in one buffer,
// the ordered first-occurrence replacements applied to it, and the rule that
// decides what a stamp keeps of the user's own text.
#ifndef REVSTAMP_PATCH_REPLACEMENTS_H_
#define REVSTAMP_PATCH_REPLACEMENTS_H_

#include <cstddef>
#include <optional>
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
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
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

/// Where `text`, in the tool's 8-bit encoding, first occurs in `content` at
/// or after byte `from`, in the content's own encoding: byte for byte, or in
/// a UTF-16LE file as UTF-16LE (utf16.h), on code unit boundaries after the
/// byte-order mark. npos when it doesn't occur, or doesn't convert.
std::size_t FindText(std::string_view content, std::string_view text, std::size_t from = 0);

/// For each i in order, replaces the first occurrence of searchTexts[i] in
/// `content` (FindText, as it stands after the earlier pairs) with
/// replacementTexts[i], in the content's encoding. A search text that doesn't
/// occur, or a pair that doesn't convert, is skipped; an empty search text
/// matches at the start. The replacement is never searched again. The lists
/// must have the same length, and `content` at least ReplacementHeadroom
/// spare room; returns false otherwise.
bool ApplyReplacements(ByteBuffer& content, const TextList& searchTexts,
                       const TextList& replacementTexts);

/// The line a stamp replaces, `search`, and the shape of the line a stamp
/// leaves: `start`, a hash of 4 to 64 characters 0-9a-f, `end`. The texts
/// are in the tool's 8-bit encoding.
struct StampLine {
  std::string search, start, end;
};

/// What a stamp writes, once Git has restored the file: which text it starts
/// from, and the line it replaces there (empty: none).
struct StampPlan {
  bool keepFound = false;  // the text as the run found it, not as restored
  std::string search;
};

/// Decides what restore-and-stamp writes, from `restored` (the file as it is
/// after Git's restore, or as it was where Git didn't restore it) and `found`
/// (the file before the restore; none when there was no file):
/// - found as restored, or differing from it only by one earlier stamp of
///   `line` where the restored text holds the line looked for: the restored
///   text, at its first line looked for;
/// - otherwise (an edit the user hasn't committed) the found text, at its
///   first line looked for, or at its first earlier stamp where that comes
///   first and the restored text holds the line looked for; neither: none.
StampPlan PlanStamp(std::optional<std::string_view> found, std::string_view restored,
                    const StampLine& line);

#endif  // REVSTAMP_PATCH_REPLACEMENTS_H_

// First-occurrence replacement, against a plain std::string reference, in
// 8-bit and UTF-16LE content.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_check.h"
#include "patch/replacements.h"
#include "patch/utf16.h"

namespace {

// The expected result, computed the obvious way.
std::string Reference(std::string content, const TextList& search, const TextList& replacement) {
  bool wide = content.compare(0, 2, "\xff\xfe") == 0;
  for (std::size_t i = 0; i < search.size(); ++i) {
    std::string s = search[i].c_str(), r = replacement[i].c_str();
    std::size_t at;
    if (wide) {
      std::string ws, wr;
      if (!ToUtf16Le(s, &ws) || !ToUtf16Le(r, &wr)) continue;
      s = ws;
      r = wr;
      at = content.find(s, 2);
      while (at != std::string::npos && at % 2 != 0) at = content.find(s, at + 1);
    } else {
      at = content.find(s);
    }
    if (at != std::string::npos) content.replace(at, s.size(), r);
  }
  return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  bool wide = input.ConsumeBool();
  TextList search, replacement;
  for (int pairs = input.ConsumeIntegralInRange(0, 3); pairs > 0; --pairs) {
    search.push_back(input.ConsumeRandomLengthString(32));
    replacement.push_back(input.ConsumeRandomLengthString(32));
  }
  std::string content = input.ConsumeRemainingBytesAsString();
  if (wide) content.insert(0, "\xff\xfe");

  ByteBuffer buffer;
  FUZZ_CHECK(buffer.Allocate(content.size() + ReplacementHeadroom(replacement)));
  std::memcpy(buffer.data(), content.data(), content.size());
  buffer.SetSize(content.size());
  FUZZ_CHECK(ApplyReplacements(buffer, search, replacement));
  FUZZ_CHECK(buffer.view() == Reference(content, search, replacement));
  return 0;
}

// Splitting the executable's path into the tool's directory and folder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/tool_location.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string path = UpToNul(std::string(reinterpret_cast<const char*>(data), size));

  TextBuffer directory, folder;
  bool split = SplitToolPath(path.c_str(), directory, folder);
  std::string dir = directory, name = folder;
  if (!split) {
    FUZZ_CHECK(dir.empty() && name.empty());
    return 0;
  }
  FUZZ_CHECK(path.size() < kTextLimit);
  FUZZ_CHECK(path.compare(0, dir.size(), dir) == 0);
  // Nothing after the directory is a separator: the rest is the file name.
  FUZZ_CHECK(path.find_first_of("\\/", dir.size()) == std::string::npos);
  FUZZ_CHECK(name.find('\\') == std::string::npos);
  if (!name.empty()) {
    std::string trimmed = dir;
    if (trimmed.back() == '\\') trimmed.pop_back();
    FUZZ_CHECK(trimmed.size() > name.size() &&
               trimmed.compare(trimmed.size() - name.size() - 1, std::string::npos,
                               "\\" + name) == 0);
  }
  return 0;
}

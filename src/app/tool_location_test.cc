#include "app/tool_location.h"

#include "test_support.h"

TEST(ToolLocationTest, SplitsTheExecutablePath) {
  const std::string dir255 = "C:\\" + std::string(253, 'd') + "\\";  // 255 after the drive
  struct Case {
    std::string path, directory, folder;
  } cases[] = {
      {"C:\\src\\Widget\\stamp.exe", "C:\\src\\Widget\\", "Widget"},
      {"C:\\stamp.exe", "C:\\", ""},  // a drive's root: no folder name
      {dir255 + "t.exe", dir255, std::string(253, 'd')},
      // A part longer than the C runtime's splitter takes refuses the path.
      {"C:\\" + std::string(254, 'd') + "\\t.exe", "", ""},
      {"C:\\src\\n." + std::string(255, 'e'), "", ""},
  };
  for (const Case& c : cases) {
    TextBuffer directory = "x", folder = "x";
    EXPECT_EQ(SplitToolPath(c.path.c_str(), directory, folder), !c.directory.empty()) << c.path;
    EXPECT_EQ(directory, c.directory) << c.path;
    EXPECT_EQ(folder, c.folder) << c.path;
  }
}

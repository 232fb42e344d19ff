#include "app/tool_location.h"

#include "test_support.h"

TEST(ToolLocationTest, SplitsTheExecutablePath) {
  const std::string dir255 = "C:\\" + std::string(253, 'd') + "\\";  // 255 after the drive
  struct Case { std::string path, directory, folder; bool split; } cases[] = {
      {"C:\\src\\Widget\\stamp.exe", "C:\\src\\Widget\\", "Widget", true},
      {"C:\\src\\Widget\\renamed", "C:\\src\\Widget\\", "Widget", true},
      {"C:\\stamp.exe", "C:\\", "", true},  // a drive's root: no folder name
      {"\\\\server\\share\\W\\t.exe", "\\\\server\\share\\W\\", "W", true},
      {"\\home\\u\\My Proj\\revstamp", "\\home\\u\\My Proj\\", "My Proj", true},  // from POSIX
      {"C:\\a.b\\c", "C:\\a.b\\", "a.b", true}, {"stamp.exe", "", "", true},
      {dir255 + "t.exe", dir255, std::string(253, 'd'), true},
      // A part longer than the C runtime's splitter takes refuses the path.
      {"C:\\" + std::string(254, 'd') + "\\t.exe", "", "", false},
      {"C:\\src\\" + std::string(256, 'n'), "", "", false},
      {"C:\\src\\n." + std::string(255, 'e'), "", "", false},
  };
  for (const Case& c : cases) {
    TextBuffer directory = "x", folder = "x";
    EXPECT_EQ(SplitToolPath(c.path.c_str(), directory, folder), c.split) << c.path;
    EXPECT_TRUE(directory == c.directory && folder == c.folder) << c.path << ": " << directory;
  }
}

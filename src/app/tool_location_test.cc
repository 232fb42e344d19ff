#include "app/tool_location.h"

#include <string>

#include <gtest/gtest.h>

TEST(ToolLocationTest, SplitsExecutablePaths) {
  const std::string dir255 = "\\" + std::string(253, 'd') + "\\";
  const std::string dir256 = "\\" + std::string(254, 'd') + "\\";
  struct Case {
    std::string path, directory, folder;
  } cases[] = {
      {"C:\\src\\Widget\\stamp.exe", "C:\\src\\Widget\\", "Widget"},
      {"C:\\src\\Widget\\renamed.exe", "C:\\src\\Widget\\", "Widget"},
      {"C:\\src\\My Proj\\stamp.exe", "C:\\src\\My Proj\\", "My Proj"},
      {"C:\\stamp.exe", "C:\\", ""},
      {"C:\\v1.2\\Widget\\stamp", "C:\\v1.2\\Widget\\", "Widget"},
      {"\\\\server\\share\\Widget\\stamp.exe", "\\\\server\\share\\Widget\\", "Widget"},
      // POSIX paths arrive in Windows form, without a drive.
      {"\\home\\ann\\Widget\\revstamp", "\\home\\ann\\Widget\\", "Widget"},
      {"\\revstamp", "\\", ""},
      // Forward slashes close the directory but don't separate the folder.
      {"C:/src/Widget/stamp.exe", "C:/src/Widget/", ""},
      {"stamp.exe", "", ""},
      {"", "", ""},
      // The limits: the whole path, then each part of it.
      {"C:" + dir255 + "x", "C:" + dir255, std::string(253, 'd')},
      {"C:" + dir256 + "x", "", ""},
      {"C:\\" + std::string(255, 'n'), "C:\\", ""},
      {"C:\\" + std::string(256, 'n'), "", ""},
      {"C:\\." + std::string(254, 'e'), "C:\\", ""},
      {"C:\\." + std::string(255, 'e'), "", ""},
      {"\\" + std::string(200, 'd') + "\\" + std::string(57, 'n'),
       "\\" + std::string(200, 'd') + "\\", std::string(200, 'd')},
      {"\\" + std::string(200, 'd') + "\\" + std::string(58, 'n'), "", ""},
  };
  for (const Case& c : cases) {
    TextBuffer directory = "stale";
    TextBuffer folder = "stale";
    SplitToolPath(c.path.c_str(), directory, folder);
    EXPECT_EQ(std::string(directory), c.directory) << c.path;
    EXPECT_EQ(std::string(folder), c.folder) << c.path;
  }
}

TEST(ToolLocationTest, LocatesTheRunningExecutable) {
  LocateTool();
  std::string directory = ToolDirectory;
  std::string folder = ToolFolderName;
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(directory.substr(directory.size() - folder.size() - 2),
            "\\" + folder + "\\");
}

#include "settings/ini_paths.h"

#include <gtest/gtest.h>

using namespace zelk::settings;

TEST(IniPaths, FollowTheExecutable) {
  EXPECT_EQ(IniPathFor("D:\\x\\y\\prog.exe"), "D:\\x\\y\\prog.ini");
  EXPECT_EQ(DefaultSavePathFor("D:\\x\\y\\prog.exe"), "D:\\x\\y\\Backup");
  EXPECT_EQ(IniPathFor("C:\\Tools\\app.v2.exe"), "C:\\Tools\\app.v2.ini");
}

TEST(IniPaths, PathsWithoutDotOrBackslash) {
  EXPECT_EQ(IniPathFor("C:\\Tools\\app"), "C:\\Tools\\app.ini");
  EXPECT_EQ(DefaultSavePathFor("app.exe"), "Backup");
}

TEST(IniPaths, ShiftJisTrailByteIsNotAFolderSeparator) {
  // C:\表\app.exe: the trail byte of 表 is 0x5C.
  const std::string exe = "C:\\\x95\x5c\\app.exe";
  EXPECT_EQ(DefaultSavePathFor(exe), "C:\\\x95\x5c\\Backup");
  // A folder named only 表 with no separator after it: C:表.exe
  EXPECT_EQ(DefaultSavePathFor("C:\x95\x5c.exe"), "Backup");
}

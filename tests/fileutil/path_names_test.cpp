#include "fileutil/path_names.h"

#include <gtest/gtest.h>

#include <string>

using namespace zelk::fileutil;

namespace {

// "表" is 95 5C in Shift-JIS: its trail byte is a backslash. "示" is 8E A6.
const std::string kHyou = "\x95\x5c";
const std::string kHyouji = "\x95\x5c\x8e\xa6";
// "ア" is 83 41 and "ャ" 83 61: they differ only in an ASCII-letter trail byte.
const std::string kA = "\x83\x41";
const std::string kSmallYa = "\x83\x61";

}  // namespace

TEST(PathSplit, LastComponentAndFolder) {
  EXPECT_EQ(PathToFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(PathToDirectoryPath("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(PathToFileName("C:\\a\\dir\\"), "dir");
  EXPECT_EQ(PathToDirectoryPath("C:\\a\\dir\\"), "C:\\a");
  EXPECT_EQ(PathToFileName("C:/a/b.txt"), "b.txt");
  EXPECT_EQ(PathToFileName("name"), "name");
  EXPECT_EQ(PathToDirectoryPath("name"), "");
  EXPECT_EQ(PathToFileName("C:x"), "x");
  EXPECT_EQ(PathToDirectoryPath("C:x"), "C:");
  EXPECT_EQ(PathToDirectoryPath("\\x"), "\\");
  EXPECT_EQ(PathToDirectoryPath("a\\b"), "a");
}

TEST(PathSplit, RootsKeepTheirSeparatorAndHaveNoName) {
  EXPECT_EQ(PathToDirectoryPath("C:\\b.txt"), "C:\\");
  EXPECT_EQ(PathToFileName("C:\\"), "");
  EXPECT_EQ(PathToDirectoryPath("C:\\"), "");
  EXPECT_EQ(PathToFileName("\\\\srv\\share"), "");
  EXPECT_EQ(PathToFileName("\\\\srv\\share\\"), "");
  EXPECT_EQ(PathToDirectoryPath("\\\\srv\\share\\x"), "\\\\srv\\share");
  EXPECT_EQ(PathToFileName("\\\\srv\\share\\x"), "x");
  EXPECT_EQ(PathToDirectoryPath("\\\\srv\\share\\x\\y.txt"), "\\\\srv\\share\\x");
}

TEST(PathSplit, TrailByteBackslashNeverSplits) {
  // C:\表示\表 : only the real separators split.
  std::string path = "C:\\" + kHyouji + "\\" + kHyou;
  EXPECT_EQ(PathToFileName(path), kHyou);
  EXPECT_EQ(PathToDirectoryPath(path), "C:\\" + kHyouji);
  EXPECT_EQ(PathToFileName("C:\\a\\" + kHyou), kHyou);
  EXPECT_EQ(PathToDirectoryPath("C:\\a\\" + kHyou), "C:\\a");
  // A name ending in 表 is not taken for a trailing separator.
  EXPECT_EQ(PathToDir("C:\\" + kHyou), "C:\\" + kHyou);
  EXPECT_EQ(PathToDir("C:\\" + kHyou + "\\"), "C:\\" + kHyou);
  EXPECT_EQ(PathToDir("C:\\" + kHyou + "\\\\x"), "C:\\" + kHyou + "\\x");
  EXPECT_EQ(JoinPath("C:\\" + kHyou, "x"), "C:\\" + kHyou + "\\x");
  EXPECT_EQ(NumberedVariant("C:\\" + kHyou, 2, true), "C:\\" + kHyou + "(2)");
}

TEST(PathDir, NormalForm) {
  EXPECT_EQ(PathToDir("C:"), "C:\\");
  EXPECT_EQ(PathToDir("C:\\"), "C:\\");
  EXPECT_EQ(PathToDir("C:\\\\"), "C:\\");
  EXPECT_EQ(PathToDir("C:/a//b/"), "C:\\a\\b");
  EXPECT_EQ(PathToDir("  \"C:\\Backup\\\"  "), "C:\\Backup");
  EXPECT_EQ(PathToDir("C:Data"), "C:Data");
  EXPECT_EQ(PathToDir("\\\\srv\\share\\"), "\\\\srv\\share");
  EXPECT_EQ(PathToDir("\\\\srv\\\\share\\\\d\\"), "\\\\srv\\share\\d");
  EXPECT_EQ(PathToDir(""), "");
  EXPECT_EQ(PathToDir("\\"), "\\");
}

TEST(PathJoin, NoDoubledSeparator) {
  EXPECT_EQ(JoinPath("C:\\a", "b"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("C:\\a\\", "b"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("C:\\a", "\\b"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("C:\\", "b"), "C:\\b");
  EXPECT_EQ(JoinPath("C:", "b"), "C:\\b");
  EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(PathNumbered, NumberBeforeExtensionOrAtTheEnd) {
  EXPECT_EQ(NumberedVariant("C:\\g\\x.txt", 2), "C:\\g\\x(2).txt");
  EXPECT_EQ(NumberedVariant("C:\\g\\x.tar.gz", 3), "C:\\g\\x.tar(3).gz");
  EXPECT_EQ(NumberedVariant("C:\\g\\Data", 2), "C:\\g\\Data(2)");
  EXPECT_EQ(NumberedVariant("C:\\g\\Data\\", 2, true), "C:\\g\\Data(2)");
  EXPECT_EQ(NumberedVariant("C:\\g\\03.07.15", 2, true), "C:\\g\\03.07.15(2)");
  EXPECT_EQ(NumberedVariant("C:\\g.d\\x", 12), "C:\\g.d\\x(12)");
  EXPECT_EQ(NumberedVariant("C:\\g\\.profile", 2), "C:\\g\\.profile(2)");
  EXPECT_EQ(NumberedVariant(kHyouji + ".txt", 2), kHyouji + "(2).txt");
}

TEST(PathCompare, InsideIsComponentWiseAndCaseBlindForAscii) {
  EXPECT_TRUE(IsInside("C:\\a\\b", "C:\\a"));
  EXPECT_TRUE(IsInside("c:\\A\\b\\c", "C:\\a\\"));
  EXPECT_TRUE(IsInside("C:\\a", "C:\\"));
  EXPECT_TRUE(IsInside("C:/a/b", "C:\\a"));
  EXPECT_FALSE(IsInside("C:\\ab", "C:\\a"));
  EXPECT_FALSE(IsInside("C:\\a", "C:\\a"));
  EXPECT_FALSE(IsInside("C:\\a\\", "C:\\a"));
  EXPECT_FALSE(IsInside("C:\\a", "C:\\a\\b"));
  EXPECT_FALSE(IsInside("C:\\a", ""));
  EXPECT_TRUE(IsInside("\\\\srv\\share\\x", "\\\\SRV\\share"));
  // 表\x is inside 表, but 表 (95 5C) is not "inside" the byte 95.
  EXPECT_TRUE(IsInside("C:\\" + kHyou + "\\x", "C:\\" + kHyou));
  EXPECT_FALSE(IsInside("C:\\" + kHyouji, "C:\\" + kHyou));

  EXPECT_TRUE(SamePath("C:\\Data\\", "c:\\data"));
  EXPECT_TRUE(SamePath("C:\\", "C:"  "\\"));
  EXPECT_FALSE(SamePath("C:\\Data", "C:\\Data2"));
  // Trail bytes are not case folded: ア and ャ stay different.
  EXPECT_FALSE(SamePath("C:\\" + kA, "C:\\" + kSmallYa));
  EXPECT_FALSE(IsInside("C:\\" + kA + "\\x", "C:\\" + kSmallYa));
}

TEST(PathCompare, DriveRoots) {
  EXPECT_TRUE(IsDriveRoot("C:"));
  EXPECT_TRUE(IsDriveRoot("C:\\"));
  EXPECT_TRUE(IsDriveRoot("\\\\server\\share"));
  EXPECT_TRUE(IsDriveRoot("\\\\server\\share\\"));
  EXPECT_FALSE(IsDriveRoot("C:\\a"));
  EXPECT_FALSE(IsDriveRoot("C:a"));
  EXPECT_FALSE(IsDriveRoot("\\\\server"));
  EXPECT_FALSE(IsDriveRoot("\\\\server\\"));
  EXPECT_FALSE(IsDriveRoot("\\\\server\\share\\x"));
  EXPECT_FALSE(IsDriveRoot(""));
  EXPECT_FALSE(IsDriveRoot("\\"));
}

#include "engine/generation_path.h"

#include <gtest/gtest.h>

using zelk::engine::FormatGenerationName;
using zelk::engine::IsGenerationOf;

TEST(GenerationName, TwoDigitFieldsJoinedByDots) {
  std::tm t{};
  t.tm_year = 103;  // 2003
  t.tm_mon = 6;
  t.tm_mday = 15;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 9;
  EXPECT_EQ(FormatGenerationName(t, "%y.%m.%d.%H.%M.%S"), "03.07.15.14.05.09");
  EXPECT_FALSE(FormatGenerationName(t, "").has_value());
}

TEST(GenerationOfSaveFolder, OnlyEntriesDirectlyInsideAreDeletable) {
  const char* save = "C:\\Tools\\Backup";
  EXPECT_TRUE(IsGenerationOf("C:\\Tools\\Backup\\03.07.15.14.05.09", save));
  EXPECT_TRUE(IsGenerationOf("C:\\Tools\\Backup\\03.07.15.14.05.09.zip", save));
  EXPECT_TRUE(IsGenerationOf("c:\\tools\\backup\\x", "C:\\Tools\\Backup\\"));
  // The save folder itself, a lone trailing backslash, drive roots.
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\", save));
  EXPECT_FALSE(IsGenerationOf("C:\\", save));
  EXPECT_FALSE(IsGenerationOf("C:", save));
  // Elsewhere, deeper, or escaping through dots.
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Other\\x", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\a\\b", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\..", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\.", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\a/..", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\*", save));
  EXPECT_FALSE(IsGenerationOf("", save));
  EXPECT_FALSE(IsGenerationOf("C:\\Tools\\Backup\\x", ""));
}

TEST(GenerationOfSaveFolder, ShiftJisSaveFolder) {
  // D:\表\x: the trail byte of 表 is a backslash byte.
  const std::string save = "D:\\\x95\x5c";
  EXPECT_TRUE(IsGenerationOf(save + "\\x", save));
  EXPECT_FALSE(IsGenerationOf(save, "D:\\\x95"));
}

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

TEST(KeptName, NamesThatPathResolutionWouldChangeAreNotKept) {
  using zelk::engine::IsKeptName;
  for (const wchar_t* kept : {L"03.07.15.14.05.09", L"03.07.15.14.05.09.zip", L"a b", L".profile",
                              L"CONSOLE", L"COM10", L"\x8868"}) {
    EXPECT_TRUE(IsKeptName(kept)) << static_cast<int>(std::wstring_view(kept).size());
  }
  for (const wchar_t* changed : {L"", L".", L"..", L"...", L" ", L". .", L"x.", L"x ", L"x. ",
                                 L"NUL", L"nul.txt", L"Con", L"AUX .log", L"COM1", L"lpt9.x",
                                 L"x:y", L"x::$DATA", L"a*", L"a?", L"a/b", L"a\\b", L"a\tb"}) {
    EXPECT_FALSE(IsKeptName(changed)) << static_cast<int>(std::wstring_view(changed).size());
  }
}

TEST(StagingName, RoundTripsAndRejectsOtherNames) {
  using zelk::engine::FormatStagingName;
  using zelk::engine::ParseStagingName;
  using zelk::engine::StagingState;
  const std::string name = FormatStagingName(StagingState::Ready, "1f-2a-0", "03.07.15.14.05.09.zip");
  EXPECT_EQ(name, "~ZelkReady.1f-2a-0.03.07.15.14.05.09.zip");
  const auto parsed = ParseStagingName(name);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->state, StagingState::Ready);
  EXPECT_EQ(parsed->run, "1f-2a-0");
  EXPECT_EQ(parsed->generation, "03.07.15.14.05.09.zip");
  for (const char* other : {"~ZelkStaging.", "~ZelkStaging.run", "~ZelkStaging..x", "~ZelkMoving.run.",
                            "~Zelk-notes.txt", "03.07.15.14.05.09", "ZelkStaging.a.b"}) {
    EXPECT_FALSE(ParseStagingName(other).has_value()) << other;
  }
}

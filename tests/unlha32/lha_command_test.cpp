// The Unlha command line: the line the backup run sends, and the reasons
// given for lines the library does not take.
#include <gtest/gtest.h>

#include "lha_command.h"

namespace zelk::lzh {
namespace {

TEST(LhaCommand, TakesTheBackupRunsLine) {
  std::string error;
  const auto cmd = ParseLhaCommand(
      "a -a1 -d1 -n1 -r2x1 \"C:\\save\\03.07.15.14.05.09.lzh\" \"C:\\Data\" \"Report.doc\"", &error);
  ASSERT_TRUE(cmd) << error;
  EXPECT_TRUE(cmd->includeHiddenSystem);
  EXPECT_TRUE(cmd->folderEntries);
  EXPECT_TRUE(cmd->recurse);
  EXPECT_TRUE(cmd->storePaths);
  EXPECT_EQ(cmd->archivePath, "C:\\save\\03.07.15.14.05.09.lzh");
  EXPECT_EQ(cmd->baseFolder, "C:\\Data");
  EXPECT_EQ(cmd->names, std::vector<std::string>{"Report.doc"});
}

TEST(LhaCommand, ReadsSwitchValuesAndShiftJisPaths) {
  std::string error;
  // "\x95\x5C" is a Shift-JIS character whose trail byte is a backslash;
  // the root folder "C:\" ends with one.
  const auto cmd = ParseLhaCommand("A -a0 -d0 -r0 -x0 \"C:\\\x95\x5C\\a.lzh\" \"C:\\\" \"\x95\x5C\" \"sub\\b\"", &error);
  ASSERT_TRUE(cmd) << error;
  EXPECT_FALSE(cmd->includeHiddenSystem);
  EXPECT_FALSE(cmd->folderEntries);
  EXPECT_FALSE(cmd->recurse);
  EXPECT_FALSE(cmd->storePaths);
  EXPECT_EQ(cmd->archivePath, "C:\\\x95\x5C\\a.lzh");
  EXPECT_EQ(cmd->baseFolder, "C:\\");
  EXPECT_EQ(cmd->names, (std::vector<std::string>{"\x95\x5C", "sub\\b"}));
  // A switch letter without a digit means 1.
  const auto bare = ParseLhaCommand("a -r -x \"a.lzh\" \"C:\\\" \"x\"", &error);
  ASSERT_TRUE(bare) << error;
  EXPECT_TRUE(bare->recurse);
  EXPECT_TRUE(bare->storePaths);
}

TEST(LhaCommand, RefusesWithAReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "Empty command line."},
      {"e \"a.lzh\" \"C:\\\" \"x\"", "Unsupported command \"e\" (only a)."},
      {"a -q \"a.lzh\" \"C:\\\" \"x\"", "Unknown switch -q."},
      {"a -r2x1z \"a.lzh\" \"C:\\\" \"x\"", "Unknown switch -z."},
      {"a -d2 \"a.lzh\" \"C:\\\" \"x\"", "Unsupported switch -d2."},
      {"a -a1 \"a.lzh\" \"C:\\\"", "Usage: a [-switches] archive.lzh base-folder name [name ...]"},
      {"a \"\" \"C:\\\" \"x\"", "No archive path."},
      {"a \"a.lzh\" \"\" \"x\"", "No base folder."},
      {"a \"a.lzh\" \"C:\\\" \"..\\x\"", "Name not below the base folder: \"..\\x\"."},
      {"a \"a.lzh\" \"C:\\\" \"D:x\"", "Name not below the base folder: \"D:x\"."},
      {"a \"a.lzh\" \"C:\\\" \"\\x\"", "Name not below the base folder: \"\\x\"."},
      {"a \"a.lzh\" \"C:\\\" \"x", "Unterminated quote in the command line."},
  };
  for (const auto& [line, reason] : cases) {
    std::string error;
    EXPECT_FALSE(ParseLhaCommand(line, &error)) << line;
    EXPECT_EQ(error, reason) << line;
  }
}

}  // namespace
}  // namespace zelk::lzh

// The command line of the Zip entry point.
#include <gtest/gtest.h>

#include "zip32j/zip_command.h"

namespace zelk::zip {
namespace {

TEST(ZipCommand, TheProgramsLine) {
  std::string error;
  const auto cmd = ParseZipCommand(
      "-qrS \"C:\\save\\03.07.15.14.05.09.zip\" \"C:\\Data\" \"Report.doc\"", &error);
  ASSERT_TRUE(cmd) << error;
  EXPECT_TRUE(cmd->quiet);
  EXPECT_TRUE(cmd->recurse);
  EXPECT_TRUE(cmd->includeHiddenSystem);
  EXPECT_EQ(cmd->archivePath, "C:\\save\\03.07.15.14.05.09.zip");
  EXPECT_EQ(cmd->baseFolder, "C:\\Data");
  EXPECT_EQ(cmd->names, std::vector<std::string>{"Report.doc"});
}

TEST(ZipCommand, UnquotedTokensSeparateSwitchesRootFolderAndSeveralNames) {
  std::string error;
  const auto cmd = ParseZipCommand("-q  -r\ta.zip \"C:\\\" \"My Documents\" b.txt sub\\c.txt", &error);
  ASSERT_TRUE(cmd) << error;
  EXPECT_TRUE(cmd->quiet && cmd->recurse);
  EXPECT_FALSE(cmd->includeHiddenSystem);
  EXPECT_EQ(cmd->archivePath, "a.zip");
  EXPECT_EQ(cmd->baseFolder, "C:\\");
  EXPECT_EQ(cmd->names, (std::vector<std::string>{"My Documents", "b.txt", "sub\\c.txt"}));
}

TEST(ZipCommand, ShiftJisTrailBytesAreNotQuotesOrSeparators) {
  // 表 is 95 5C: its trail byte is a backslash, and "表 " must stay one name.
  std::string error;
  const auto cmd = ParseZipCommand("-r a.zip C:\\\x95\x5c \x95\x5c\x8e\xa6.txt", &error);
  ASSERT_TRUE(cmd) << error;
  EXPECT_EQ(cmd->baseFolder, "C:\\\x95\x5c");
  EXPECT_EQ(cmd->names, std::vector<std::string>{"\x95\x5c\x8e\xa6.txt"});
}

TEST(ZipCommand, ExclusionPatternsFollowALoneUnquotedX) {
  using Names = std::vector<std::string>;
  const struct {
    const char* line;
    Names names;
    Names exclude;
  } cases[] = {
      {"-qrS a.zip C:\\D Data -x \"*.tmp\" \"obj\\\" \"~$*\"", {"Data"}, {"*.tmp", "obj\\", "~$*"}},
      // Quoted, "-x" is a name; so is it in the place of the first name.
      {"-qrS a.zip C:\\D \"-x\" c", {"-x", "c"}, {}},
      {"-qrS a.zip C:\\D -x \"*.tmp\"", {"-x", "*.tmp"}, {}},
      {"-qrS a.zip C:\\D Data -x \"\x95\x5c*\" -x", {"Data"}, {"\x95\x5c*", "-x"}},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto cmd = ParseZipCommand(c.line, &error);
    ASSERT_TRUE(cmd) << c.line << ": " << error;
    EXPECT_EQ(cmd->names, c.names) << c.line;
    EXPECT_EQ(cmd->exclude, c.exclude) << c.line;
  }
}

TEST(ZipCommand, MalformedLinesAreRefusedWithAReason) {
  const char* lines[] = {
      "",
      "-qrS",
      "-qrS \"a.zip\" \"C:\\Data\"",
      "-qrX \"a.zip\" \"C:\\Data\" \"x\"",
      "-qrS \"a.zip\" \"C:\\Data\" \"x",
      "-qrS \"\" \"C:\\Data\" \"x\"",
      "-qrS \"a.zip\" \"\" \"x\"",
      "-qrS \"a.zip\" \"C:\\Data\" \"\"",
      "-qrS \"a.zip\" \"C:\\Data\" \"..\\x\"",
      "-qrS \"a.zip\" \"C:\\Data\" \"sub/../../x\"",
      "-qrS \"a.zip\" \"C:\\Data\" \"\\x\"",
      "-qrS \"a.zip\" \"C:\\Data\" \"D:x\"",
  };
  for (const char* line : lines) {
    std::string error;
    EXPECT_FALSE(ParseZipCommand(line, &error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
  std::string error;
  ParseZipCommand("-qrX a b c", &error);
  EXPECT_EQ(error, "Unknown switch -X.");
}

}  // namespace
}  // namespace zelk::zip

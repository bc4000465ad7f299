#include "targets/filelist_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace zelk::targets {
namespace {

TEST(FileListLineFormat, WritesMarkPathCommentEachFollowedBySemicolon) {
  EXPECT_EQ(FormatFileListLine({"D:\\Data", "", ActiveFolder}), "3;D:\\Data;;");
  EXPECT_EQ(FormatFileListLine({"C:\\memo.txt", "old", PausedFile}), "0;C:\\memo.txt;old;");
  EXPECT_EQ(FormatFileListLine({"C:\\x", "y", 7}), "7;C:\\x;y;");
  EXPECT_EQ(FormatFileListLine({"C:\\x", "", -5}), "-5;C:\\x;;");
  EXPECT_EQ(FormatFileListLine({"C:\\x", "", INT_MIN}), "-2147483648;C:\\x;;");
  // Like "%s", text ends at an embedded NUL.
  EXPECT_EQ(FormatFileListLine({std::string("C:\\a\0b", 6), std::string("c\0d", 3), 2}), "2;C:\\a;c;");
}

// What a comment becomes in the line, and that the line then reads back as
// one row with that comment.
TEST(FileListLineFormat, CommentsNeverEndTheirFieldOrTheLine) {
  const struct {
    std::string comment;
    std::string written;
    bool breaksLine;
  } cases[] = {
      {"a;b", "a\x81\x47" "b", true},               // ';' becomes the full-width one
      {";;", "\x81\x47\x81\x47", true},
      {"one\r\ntwo\nthree\rfour", "one two three four", true},
      {"tail\x81", "tail", false},                 // a lone lead byte would take the ';'
      {"x\x81\ny", "x y", true},                   // and a lead byte cannot hide a line break
      {"\x83\x81\x83\x82", "\x83\x81\x83\x82", false},  // メモ kept
      {"\x81\x47", "\x81\x47", false},            // a full-width one stays
      {"plain", "plain", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommentBreaksLine(c.comment), c.breaksLine) << c.comment;
    const std::string line = FormatFileListLine({"C:\\x", c.comment, ActiveFile});
    EXPECT_EQ(line, "2;C:\\x;" + c.written + ";") << c.comment;
    const TargetEntry back = ParseFileListLine(line);
    EXPECT_EQ(back.path, "C:\\x");
    EXPECT_EQ(back.comment, c.written);
  }
}

TEST(FileListLineParse, SplitsAtTheFirstThreeSemicolons) {
  TargetEntry e = ParseFileListLine("3;D:\\Data;;");
  EXPECT_EQ(e.mark, 3);
  EXPECT_EQ(e.path, "D:\\Data");
  EXPECT_EQ(e.comment, "");

  e = ParseFileListLine("0;C:\\memo.txt;old;trailing;junk");
  EXPECT_EQ(e.mark, 0);
  EXPECT_EQ(e.path, "C:\\memo.txt");
  EXPECT_EQ(e.comment, "old");

  // A comment a;b comes back as a; a path with ';' is cut and its remainder
  // becomes the comment.
  EXPECT_EQ(ParseFileListLine("2;C:\\x;a;b;").comment, "a");
  e = ParseFileListLine("2;C:\\a;b;real comment;");
  EXPECT_EQ(e.path, "C:\\a");
  EXPECT_EQ(e.comment, "b");
}

TEST(FileListLineParse, ShiftJisTrailBytesAreNeverSeparatorsOrCut) {
  // 表 is 95 5C, 示 is 8E A6, ソ is 83 5C: trail bytes equal to '\\'.
  const std::string path = "C:\\\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67";
  const std::string comment = "\x83\x81\x83\x82";  // メモ
  TargetEntry e = ParseFileListLine(FormatFileListLine({path, comment, ActiveFolder}));
  EXPECT_EQ(e.path, path);
  EXPECT_EQ(e.comment, comment);
  EXPECT_EQ(e.mark, ActiveFolder);
}

TEST(FileListLineParse, StrayLeadByteTakesTheNextByteWithIt) {
  // 0x81 starts a double-byte character, so the ';' after it is its trail
  // byte, not a separator; the scan stays in bounds at the end of the line.
  TargetEntry e = ParseFileListLine("3;\x81;x;c;");
  EXPECT_EQ(e.path, "\x81;x");
  EXPECT_EQ(e.comment, "c");
  e = ParseFileListLine("3;C:\\x\x81");
  EXPECT_EQ(e.path, "C:\\x\x81");
}

TEST(FileListLineParse, MarkReadLikeAtoi) {
  // A field without a number is no mark the list knows.
  EXPECT_EQ(ParseFileListLine("abc;C:\\x;;").mark, kUnknownMark);
  EXPECT_EQ(ParseFileListLine("abc;C:\\x;;").path, "C:\\x");
  EXPECT_EQ(ParseFileListLine(";C:\\x;;").mark, kUnknownMark);
  EXPECT_EQ(ParseFileListLine("  \t3;C:\\x;;").mark, 3);
  EXPECT_EQ(ParseFileListLine("+2;C:\\x;;").mark, 2);
  EXPECT_EQ(ParseFileListLine("-5;C:\\x;;").mark, -5);
  EXPECT_EQ(ParseFileListLine("3x;C:\\x;;").mark, 3);
  EXPECT_EQ(ParseFileListLine("- 3;C:\\x;;").mark, kUnknownMark);
  EXPECT_EQ(ParseFileListLine("7;C:\\x;y;").mark, 7);
  EXPECT_EQ(ParseFileListLine("0003;C:\\x;;").mark, 3);
}

TEST(FileListLineParse, MarkOutOfIntRangeSaturates) {
  EXPECT_EQ(ParseMarkField("2147483647"), INT_MAX);
  EXPECT_EQ(ParseMarkField("2147483648"), INT_MAX);
  EXPECT_EQ(ParseMarkField("99999999999999999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseMarkField("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseMarkField("-2147483649"), INT_MIN);
  EXPECT_EQ(ParseMarkField("-99999999999999999999999999999999"), INT_MIN);
  EXPECT_EQ(ParseFileListLine("2147483648;C:\\x;;").mark, INT_MAX);
}

TEST(FileListLineParse, MissingFieldsReadAsEmpty) {
  TargetEntry e = ParseFileListLine("3;C:\\x");
  EXPECT_EQ(e.mark, 3);
  EXPECT_EQ(e.path, "C:\\x");
  EXPECT_EQ(e.comment, "");

  e = ParseFileListLine("3;C:\\x;note");
  EXPECT_EQ(e.path, "C:\\x");
  EXPECT_EQ(e.comment, "note");

  // Without any ';' the whole line is the mark field.
  e = ParseFileListLine("C:\\x");
  EXPECT_EQ(e.mark, kUnknownMark);
  EXPECT_EQ(e.path, "");
  e = ParseFileListLine("2");
  EXPECT_EQ(e.mark, 2);
  EXPECT_EQ(e.path, "");
}

TEST(FileListLineParse, LineEndsAtEmbeddedNul) {
  TargetEntry e = ParseFileListLine(std::string("3;C:\\a\0b;c;", 11));
  EXPECT_EQ(e.path, "C:\\a");
  EXPECT_EQ(e.comment, "");
}

TEST(FileListLineParse, LongPathIsKeptAsRead) {
  const std::string path = "C:\\" + std::string(400, 'a');
  TargetEntry e = ParseFileListLine("3;" + path + ";c;");
  EXPECT_EQ(e.path, path);
  EXPECT_EQ(e.comment, "c");
}

TEST(FileListLineBlank, OnlyEmptyOrWhiteSpaceLinesAreBlank) {
  EXPECT_TRUE(IsBlankFileListLine(""));
  EXPECT_TRUE(IsBlankFileListLine(" \t\r"));
  EXPECT_TRUE(IsBlankFileListLine(std::string("\0x", 2)));
  EXPECT_FALSE(IsBlankFileListLine(";"));
  EXPECT_FALSE(IsBlankFileListLine(" 0"));
  EXPECT_FALSE(IsBlankFileListLine(";;;"));
}

}  // namespace
}  // namespace zelk::targets

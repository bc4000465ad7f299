// Portable helpers of the archiver libraries: tokens, free name variants,
// the caller's output buffer, the report of what a call left out and the
// retries of held sources.
#include <gtest/gtest.h>

#include <cstring>

#include "common/command_line.h"
#include "common/left_out.h"
#include "common/name_variants.h"
#include "common/output_buffer.h"
#include "fileutil/retry_budget.h"

namespace zelk::archivers {
namespace {

TEST(CommandLineTokens, QuotesBlanksAndEmptyTokens) {
  std::string error;
  auto t = TokenizeCommandLine("  a \"b c\"\t\"\" d\"e f\"g  ", &error);
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, (std::vector<std::string>{"a", "b c", "", "de fg"}));
  EXPECT_FALSE(TokenizeCommandLine("a \"b", &error));
  EXPECT_FALSE(error.empty());
  auto s = std::vector<std::string>{"-qr", "-S", "-", "x", "-y"};
  EXPECT_EQ(TakeLeadingSwitches(s), "qrS");
  EXPECT_EQ(s, (std::vector<std::string>{"-", "x", "-y"}));
}

TEST(FreeVariantName, FilesFoldersAndExtensions) {
  NameSet present;
  for (const char* n : {"x.txt", "x(2).txt", "Data/", "Data/sub/y.txt", "Only/deep/z.txt", ".hidden",
                        "a.b/c", "noext"}) {
    present.Add(n);
  }
  EXPECT_EQ(FreeVariantName("new.txt", false, present), "new.txt");
  EXPECT_EQ(FreeVariantName("x.txt", false, present), "x(3).txt");
  EXPECT_EQ(FreeVariantName("X.TXT", false, present), "X(3).TXT");  // names compare without case
  EXPECT_EQ(FreeVariantName("Data", true, present), "Data(2)");
  EXPECT_EQ(FreeVariantName("Only", true, present), "Only(2)");    // taken by its contents
  EXPECT_EQ(FreeVariantName("Only\\deep", true, present), "Only\\deep(2)");
  EXPECT_EQ(FreeVariantName(".hidden", false, present), ".hidden(2)");
  EXPECT_EQ(FreeVariantName("a.b/c", false, present), "a.b/c(2)");
  EXPECT_EQ(FreeVariantName("noext", false, present), "noext(2)");
  EXPECT_EQ(FreeVariantName("Dat", true, present), "Dat");
  EXPECT_TRUE(present.IsTaken("data\\SUB"));
  EXPECT_FALSE(present.IsTaken("Data/su"));
}

TEST(FreeVariantName, ShiftJisNamesAreComparedByCharacter) {
  NameSet present;
  present.Add("\x83\x41");       // ア: trail byte 0x41 is 'A'
  present.Add("\x95\x5c.txt");   // 表.txt: trail byte 0x5C is '\\'
  EXPECT_FALSE(present.IsTaken("\x83\x61"));  // ャ: 0x61 is 'a', a different character
  EXPECT_TRUE(present.IsTaken("\x83\x41"));
  EXPECT_EQ(FreeVariantName("\x95\x5c.txt", false, present), "\x95\x5c(2).txt");
  EXPECT_EQ(FreeVariantName("\x83\x41", true, present), "\x83\x41(2)");
}

TEST(FreeVariantName, Utf8NamesAreComparedByByteWithoutShiftJisPairs) {
  NameSet present(NameEncoding::kUtf8);
  // ぁ is E3 81 81: read as Shift-JIS, 0x81 would swallow the '/' after it.
  present.Add("\xe3\x81\x81/x.txt");
  EXPECT_TRUE(present.IsTaken("\xe3\x81\x81"));
  EXPECT_TRUE(present.IsTaken("\xe3\x81\x81\\X.TXT"));
  EXPECT_EQ(FreeVariantName("\xe3\x81\x81", true, present), "\xe3\x81\x81(2)");
  present.Add("\xed\x95\x9c.txt");  // 한.txt
  EXPECT_EQ(FreeVariantName("\xed\x95\x9c.txt", false, present), "\xed\x95\x9c(2).txt");
}

TEST(OutputBuffer, NeverWritesPastItsSize) {
  char buf[8];
  std::memset(buf, 'z', sizeof buf);
  OutputBuffer zero(buf, 0);
  zero.Set("anything");
  EXPECT_EQ(buf[0], 'z');

  OutputBuffer out(buf, 6);
  out.Set("abcdefgh");
  EXPECT_STREQ(buf, "abcde");
  EXPECT_EQ(buf[6], 'z');
  out.Set("ab");
  out.Append("\x95\x5c\x8e\xa6");  // 表示: only 表 fits
  EXPECT_STREQ(buf, "ab\x95\x5c");
  out.Append("c");
  EXPECT_STREQ(buf, "ab\x95\x5c" "c");
  out.Append("more");
  EXPECT_EQ(out.text(), "ab\x95\x5c" "c");
  OutputBuffer none(nullptr, 100);
  none.Set("ignored");
  EXPECT_EQ(none.text(), "");
}

TEST(LeftOutReport, CountsEveryEntryAndHoldsWholeLinesOnly) {
  LeftOutList left;
  left.Add("C:\\D\\held.db", "in use\r\nby another. \r\n");
  left.Add("C:\\D\\\x95\x5c", "gone\x81\x42");  // the ideographic full stop
  const std::string full = "Left out: 2\r\nC:\\D\\held.db\tin use  by another\r\nC:\\D\\\x95\x5c\tgone\r\n";
  const struct {
    std::size_t room;
    std::string report;
  } cases[] = {
      {1000, full},
      {full.size(), full},
      {full.size() - 1, full.substr(0, full.find("C:\\D\\\x95"))},
      {13, "Left out: 2\r\n"},
      {12, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(left.Report(c.room), c.report) << c.room;
}

TEST(LeftOutReport, ListsEntriesInWalkOrderWhateverOrderTheyCameIn) {
  // A folder that could not be listed is told at once, a file read on the
  // pool later: the report lists them by their place in the walk.
  LeftOutList left;
  left.Add("C:\\D\\sub", "access denied", 6);
  left.Add("C:\\D\\a.txt", "held", 3);
  left.Add("C:\\D\\sub2\\c.txt", "held", 9);
  left.Add("C:\\D\\b.txt", "held", 5);
  left.Add("C:\\D\\b2.txt", "held", 5);
  EXPECT_EQ(left.Report(1000),
            "Left out: 5\r\nC:\\D\\a.txt\theld\r\nC:\\D\\b.txt\theld\r\nC:\\D\\b2.txt\theld\r\n"
            "C:\\D\\sub\taccess denied\r\nC:\\D\\sub2\\c.txt\theld\r\n");
}

TEST(RetryBudget, ThreeTriesPerSourceWithinTheCallsBudget) {
  unsigned waited = 0;
  fileutil::RetryBudget retries([&](unsigned ms) { waited += ms; });
  EXPECT_TRUE(retries.WaitBeforeRetry(1));
  EXPECT_TRUE(retries.WaitBeforeRetry(2));
  EXPECT_FALSE(retries.WaitBeforeRetry(3)) << "three tries about two seconds apart";
  EXPECT_EQ(waited, 2000u);
  // Held sources one after another: the waits stop at the budget.
  int waits = 2;
  for (int source = 0; source < 100; ++source) {
    for (int tries = 1; retries.WaitBeforeRetry(tries); ++tries) ++waits;
  }
  EXPECT_EQ(waited, fileutil::RetryBudget::kBudgetMs);
  EXPECT_EQ(waits, 30);
  EXPECT_EQ(retries.LeftMs(), 0u);
}

}  // namespace
}  // namespace zelk::archivers

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schedule/run_log_line.h"

using namespace zelk::schedule;

namespace {

const RunLogWords kWords{"定期",    "今すぐ",  "終了時",   "無圧縮",   "zip",
                         "lzh",     "残さない", "つ残す",  "成功",     "失敗",
                         "一部失敗", "変更なし", "照合済み", "除外 %1 ファイル %2 バイト",
                         "入らなかったリンク %1", "前回のコピーを保持", "前回のコピーなし"};

RunLogRecord Record() {
  RunLogRecord r;
  r.start.tm_year = 2024 - 1900;
  r.start.tm_mon = 11;
  r.start.tm_mday = 7;
  r.start.tm_hour = 15;
  r.start.tm_min = 29;
  r.start.tm_sec = 58;
  r.start.tm_isdst = -1;
  r.history = 1;
  r.historyNum = 3;
  r.seconds = 4;
  r.files = 12;
  r.bytes = 345678;
  r.generation = "C:\\Backup\\24.12.07.15.29.58";
  return r;
}

}  // namespace

TEST(RunLogLine, SuccessAndFailureLinesHoldEveryFieldInOrder) {
  RunLogRecord r = Record();
  EXPECT_EQ(FormatRunLogLine(r, kWords),
            "2024/12/07 15:29:58\t定期\t無圧縮\t3つ残す\t成功\t4\t12\t345678\tC:\\Backup\\24.12.07.15.29.58");

  r.trigger = RunTrigger::AtExit;
  r.format = 2;
  r.history = 0;
  r.end = RunEnd::Failed;
  r.generation = "C:\\Backup\\24.12.07.15.29.58.lzh";
  r.reason = "圧縮エラー（a\tb\r\nc）";  // nothing inside a field splits the line
  EXPECT_EQ(FormatRunLogLine(r, kWords),
            "2024/12/07 15:29:58\t終了時\tlzh\t残さない\t失敗\t4\t12\t345678\tC:\\Backup\\24.12.07.15.29.58.lzh"
            "\t圧縮エラー（a b  c）");

  r.trigger = RunTrigger::Now;
  r.format = -1;  // a hand-edited INI value
  r.seconds = -3;
  r.generation.clear();
  const std::string line = FormatRunLogLine(r, kWords);
  EXPECT_EQ(line.substr(19), "\t今すぐ\t-1\t残さない\t失敗\t0\t12\t345678\t\t圧縮エラー（a b  c）");
}

TEST(RunLogLine, ALineReadsBackAsTheRunsEndAndResult) {
  RunLogRecord r = Record();
  r.seconds = 3 * 3600;  // 15:29:58 plus three hours
  auto last = ParseRunLogLine(FormatRunLogLine(r, kWords), kWords);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->result, RunEnd::Success);
  EXPECT_EQ(LastRunTipLine(*last, "前回: ", kWords), "前回: 12/07 18:29 成功");
  EXPECT_EQ(LastRunTipLine(LastRunOf(r), "前回: ", kWords), "前回: 12/07 18:29 成功");

  r.start.tm_mon = 11;
  r.start.tm_mday = 31;
  r.start.tm_hour = 23;
  r.start.tm_min = 59;
  r.seconds = 5;
  r.end = RunEnd::Failed;
  last = ParseRunLogLine(FormatRunLogLine(r, kWords), kWords);
  ASSERT_TRUE(last);
  EXPECT_EQ(LastRunTipLine(*last, "前回: ", kWords), "前回: 01/01 00:00 失敗");

  for (const std::string bad : {"", "garbage", "2024/13/07 15:29:58\t定期\t無圧縮\t3つ残す\t成功\t4\t1\t2\tx",
                                "2024/12/07 15:29:58\t定期\t無圧縮\t3つ残す\t不明\t4\t1\t2\tx",
                                "2024/12/07 15:29:58\t定期\t無圧縮\t3つ残す\t成功\t-4\t1\t2\tx",
                                "2024/12/07 15:29:58\t定期\t無圧縮\t3つ残す\t成功\t4\t1\t2"}) {
    EXPECT_FALSE(ParseRunLogLine(bad, kWords)) << bad;
  }
}

TEST(RunLogLine, PastTheLimitTheOldestHalfGoesAndTheNewLineStays) {
  std::vector<std::string> lines(10, std::string(98, 'x'));  // 100 bytes each with CRLF
  std::vector<std::string> kept = AppendTrimmed(lines, {std::string(98, 'n')}, 1100);
  EXPECT_EQ(kept.size(), 11u) << "exactly at the limit nothing goes";

  kept = AppendTrimmed(kept, {std::string(98, 'm')}, 1100);
  ASSERT_EQ(kept.size(), 5u) << "1200 bytes: down to 550 or less";
  EXPECT_EQ(kept.back(), std::string(98, 'm'));
  EXPECT_EQ(kept[3], std::string(98, 'n'));

  // The real limit: a MiB of lines of a typical length.
  std::vector<std::string> log;
  std::size_t size = 0;
  const std::string typical(150, 'l');
  while (size + 152 <= kRunLogLimit) {
    log.push_back(typical);
    size += 152;
  }
  kept = AppendTrimmed(log, {typical}, kRunLogLimit);
  std::size_t total = 0;
  for (const auto& line : kept) total += line.size() + 2;
  EXPECT_LE(total, kRunLogLimit / 2);
  EXPECT_GT(total, kRunLogLimit / 2 - 152);

  // A single line over the limit is still written.
  kept = AppendTrimmed({"old"}, {std::string(2000, 'h')}, 1000);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].size(), 2000u);
}

// Each end and what the run left out: the run's own line keeps its nine or
// ten fields in place, then the optional ones; the tip reads the result back.
TEST(RunLogLine, EachEndWithItsOptionalFieldsAndTipWord) {
  struct Case {
    RunEnd end;
    bool verified;
    std::uint64_t excludedFiles, excludedBytes, links;
    std::string tail;  // the line after the generation field
    std::string tip;
  };
  const std::vector<Case> cases{
      {RunEnd::Success, false, 0, 0, 0, "", "成功"},
      {RunEnd::Success, true, 0, 0, 0, "\t\t照合済み", "成功"},
      {RunEnd::Unchanged, false, 0, 0, 0, "", "変更なし"},
      {RunEnd::Unchanged, false, 3, 1200, 2, "\t\t除外 3 ファイル 1200 バイト\t入らなかったリンク 2", "変更なし"},
      {RunEnd::PartlyFailed, true, 1, 7, 0, "\tC:\\a.db（共有違反です）\t照合済み\t除外 1 ファイル 7 バイト", "一部失敗"},
      {RunEnd::Failed, false, 0, 0, 1, "\tC:\\a.db（共有違反です）\t入らなかったリンク 1", "失敗"},
  };
  for (const Case& c : cases) {
    RunLogRecord r = Record();
    r.end = c.end;
    r.verified = c.verified;
    r.excludedFiles = c.excludedFiles;
    r.excludedBytes = c.excludedBytes;
    r.linksNotEntered = c.links;
    r.reason = "C:\\a.db（共有違反です）";
    const std::string line = FormatRunLogLine(r, kWords);
    const std::string head = "2024/12/07 15:29:58\t定期\t無圧縮\t3つ残す\t" + c.tip +
                             "\t4\t12\t345678\tC:\\Backup\\24.12.07.15.29.58";
    EXPECT_EQ(line, head + c.tail) << c.tip;
    const auto last = ParseRunLogLine(line, kWords);
    ASSERT_TRUE(last) << line;
    EXPECT_EQ(last->result, c.end);
    EXPECT_EQ(LastRunTipLine(*last, "前回: ", kWords), "前回: 12/07 15:30 " + c.tip);
  }
}

TEST(RunLogLine, SkippedSourcesFollowOnLinesNoReaderTakesForARun) {
  RunLogRecord r = Record();
  r.end = RunEnd::PartlyFailed;
  r.reason = "C:\\d\\a.db（共有違反です）ほか1件";
  r.skipped = {{"C:\\d\\a.db", "共有違反です", true}, {"C:\\d\\new\tb.txt", "アクセスが拒否されました", false}};
  const std::vector<std::string> lines = FormatRunLogLines(r, kWords);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], FormatRunLogLine(r, kWords));
  EXPECT_EQ(lines[1], "\tC:\\d\\a.db\t共有違反です\t前回のコピーを保持");
  EXPECT_EQ(lines[2], "\tC:\\d\\new b.txt\tアクセスが拒否されました\t前回のコピーなし");
  EXPECT_FALSE(ParseRunLogLine(lines[1], kWords));
  EXPECT_FALSE(ParseRunLogLine(lines[2], kWords));

  // Trimming never leaves a skipped source's line without its run.
  std::vector<std::string> log;
  for (int run = 0; run < 6; ++run) {
    log.push_back(std::string(98, 'r'));
    log.push_back("\t" + std::string(97, 's'));
    log.push_back("\t" + std::string(97, 's'));
  }
  const std::vector<std::string> kept = AppendTrimmed(log, lines, 1800);
  ASSERT_GE(kept.size(), 3u);
  EXPECT_EQ(kept.front(), std::string(98, 'r'));
  EXPECT_EQ(std::vector<std::string>(kept.end() - 3, kept.end()), lines);
}

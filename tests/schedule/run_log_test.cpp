// The run log the schedule keeps in the current folder: one line per run,
// failures with the text of their box, a held log skipped without failing
// the run, and the log trimmed past 1 MiB.
#include <gtest/gtest.h>
#include <windows.h>

#include "run_log_file.h"
#include "schedule/run_log.h"
#include "schedule_fixture.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

class RunLog : public ScheduleTest {
 protected:
  std::string LogPath() const { return dir_ / "RunLog.txt"; }
  std::vector<std::vector<std::string>> Lines() const { return RunLogLines(LogPath()); }
  void BackupNowAndWait() {
    scheduler_.BackupNow();
    ASSERT_TRUE(WaitForWorkerEnd());
  }
};

// Fields 2 to 8: trigger, format, history, result, seconds, files, bytes;
// seconds as "s" when they are a number (a run under Wine may take one).
std::vector<std::string> Middle(const std::vector<std::string>& line) {
  if (line.size() < 8) return line;
  std::vector<std::string> middle(line.begin() + 1, line.begin() + 8);
  if (!middle[4].empty() && middle[4].find_first_not_of("0123456789") == std::string::npos) middle[4] = "s";
  return middle;
}

}  // namespace

TEST_F(RunLog, SuccessAndLockedFileFailureEachLeaveOneLine) {
  const std::string a = Source("Data\\a.txt", "abc");
  const std::string b = Source("Data\\b.txt", std::string(500, 'b'));
  AddRow(dir_ / "src\\Data", ActiveFolder);
  BackupNowAndWait();
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 9u);
  EXPECT_TRUE(IsLogTime(lines[0][0])) << lines[0][0];
  EXPECT_EQ(Middle(lines[0]), (std::vector<std::string>{"今すぐ", "無圧縮", "99つ残す", "成功", "s", "2", "503"}));
  EXPECT_EQ(lines[0][8], Generation(0));

  {
    // Nothing of the target can be read: the run fails.
    LockedFile held(a);
    LockedFile other(b);
    ASSERT_TRUE(held.ok() && other.ok());
    BackupNowAndWait();
  }
  const auto shown = boxes_.Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text, "バックアップに失敗しました");
  lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[1].size(), 10u);
  EXPECT_EQ(lines[1][1], "今すぐ");
  EXPECT_EQ(lines[1][4], "失敗");
  EXPECT_EQ(lines[1][8], Generation(1));
  EXPECT_EQ(lines[1][9], shown.back().caption) << "the reason the box showed";
  EXPECT_NE(lines[1][9].find("a.txt"), std::string::npos) << lines[1][9];
}

TEST_F(RunLog, AMissingTargetKeptStopsTheRunAndTheExitRunIsLoggedToo) {
  const std::string m = dir_ / "src\\gone.txt";
  AddRow(Source("a.txt", "A"), ActiveFile);
  AddRow(m, ActiveFile);
  settings_.DefMode = 1;
  settings_.History = 0;
  boxes_.Answer("存在しないファイルをリストから削除しますか？", IDNO);
  scheduler_.HideToTray();
  scheduler_.StartWorker();  // as a tick would
  ASSERT_TRUE(WaitForWorkerEnd());
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], (std::vector<std::string>{lines[0][0], "定期", "zip", "残さない", "失敗", "0", "0", "0", "",
                                                m + "が見つかりません"}));

  // At exit, Yes removes it and the last backup is made.
  boxes_.Answer("存在しないファイルをリストから削除しますか？", IDYES);
  settings_.DefMode = 0;
  settings_.History = 1;
  settings_.HistoryNum = 3;
  scheduler_.ExitBackup();
  lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Middle(lines[1]), (std::vector<std::string>{"終了時", "無圧縮", "3つ残す", "成功", "s", "1", "1"}));
  EXPECT_EQ(lines[1][8], Generation(0));
}

TEST_F(RunLog, ALogHeldByAnotherProgramIsSkippedAndTheNextRunWritesIt) {
  AddRow(Source("a.txt", "A"), ActiveFile);
  WriteFile(LogPath(), "older line\r\n");
  {
    LockedFile held(LogPath());
    ASSERT_TRUE(held.ok());
    BackupNowAndWait();
    EXPECT_EQ(boxes_.Count("バックアップが完了しました"), 1) << "the run itself succeeded";
    EXPECT_EQ(boxes_.Count("バックアップに失敗しました"), 0);
  }
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  EXPECT_EQ(ReadFile(LogPath()), "older line\r\n");
  EXPECT_FALSE(Exists(LogPath() + ".zelk-new"));

  BackupNowAndWait();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1][8], Generation(1));
}

TEST_F(RunLog, PastOneMebibyteTheOldestHalfIsDropped) {
  AddRow(Source("a.txt", "A"), ActiveFile);
  std::string old;
  for (int n = 0;; ++n) {
    const std::string line = "old line " + std::to_string(n) + "\r\n";
    if (old.size() + line.size() > 1024 * 1024 - 10) break;
    old += line;
  }
  WriteFile(LogPath(), old);
  BackupNowAndWait();
  const std::string trimmed = ReadFile(LogPath());
  EXPECT_LE(trimmed.size(), 512u * 1024);
  EXPECT_GT(trimmed.size(), 500u * 1024);
  const auto lines = Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back()[8], Generation(0));
  // What stays of the old lines is their newest part, whole lines only.
  const std::string kept = trimmed.substr(0, trimmed.rfind("\r\n", trimmed.size() - 3) + 2);
  EXPECT_EQ(old.substr(old.size() - kept.size()), kept);
  EXPECT_EQ(old[old.size() - kept.size() - 1], '\n');
  EXPECT_FALSE(Exists(LogPath() + ".zelk-new"));
}

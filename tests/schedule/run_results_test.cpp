// How each end of a run is told: a partly failed run by its box, its log
// lines and, when timed, a notification; an unchanged run by the log alone;
// a timed run with NotifyOnly on asks nothing and goes on without missing
// targets (its failures without boxes: tests/ui_tray).
#include <windows.h>

#include "fileutil/directory_ops.h"
#include "res/resource.h"
#include "run_log_file.h"
#include "schedule_fixture.h"

using namespace zelk::testing;
using zelk::schedule::RunEnd;
using zelk::targets::ActiveFile;
using zelk::targets::ActiveFolder;

namespace {

const std::string kPartlyFailed = "一部のファイルをバックアップできませんでした";

class RunResults : public ScheduleTest {
 protected:
  RunResults() {
    settings_.SaveTimeTani = 0;  // an hour: no tick comes unless a test wants one
    engine_.SetRetryWait([](unsigned) {});
  }
  std::vector<std::vector<std::string>> Lines() const { return RunLogLines(dir_ / "RunLog.txt"); }
  // A run as a tick starts it.
  void TimedRun() {
    scheduler_.HideToTray();
    scheduler_.StartWorker();
    ASSERT_TRUE(WaitForWorkerEnd());
  }
  void NowRun() {
    scheduler_.BackupNow();
    ASSERT_TRUE(WaitForWorkerEnd());
  }
  static std::string WithReason(const std::string& path, DWORD code) {
    return path + "（" + zelk::fileutil::ErrorString(code) + "）";
  }
  // The result fields of the log's run lines (skipped sources' lines left
  // out).
  std::vector<std::string> Results() const {
    std::vector<std::string> results;
    for (const auto& line : Lines()) {
      if (!line.empty() && !line[0].empty()) results.push_back(line.at(4));
    }
    return results;
  }
};

}  // namespace

TEST_F(RunResults, APartlyFailedRunIsToldByItsBoxAndLogWhateverStartedItAndByANoticeWhenTimed) {
  const std::string held = Source("Data\\held.db", "h");
  Source("Data\\one.txt", "1");
  AddRow(dir_ / "src\\Data", ActiveFolder);
  NowRun();  // a good run first: the later ones carry its copy
  LockedFile holder(held);
  ASSERT_TRUE(holder.ok());
  NowRun();
  TimedRun();
  scheduler_.ExitBackup();

  const std::string caption = WithReason(held, ERROR_SHARING_VIOLATION);
  const auto boxes = boxes_.Shown();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, "バックアップが完了しました");
  for (std::size_t n = 1; n < 4; ++n) {
    EXPECT_EQ(boxes[n].text, kPartlyFailed) << n;
    EXPECT_EQ(boxes[n].caption, caption) << n;
    EXPECT_EQ(boxes[n].flags, UINT(MB_OK | MB_ICONWARNING)) << n;
  }
  ASSERT_EQ(host_.notices.size(), 1u) << "only the timed run is notified";
  EXPECT_EQ(host_.notices[0].textId, UINT{IDS_PARTLY_FAILED});
  EXPECT_EQ(host_.notices[0].caption, caption);
  EXPECT_TRUE(host_.notices[0].warning);
  EXPECT_EQ(host_.lastRuns, (std::vector<RunEnd>{RunEnd::Success, RunEnd::PartlyFailed, RunEnd::PartlyFailed,
                                                 RunEnd::PartlyFailed}));

  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 7u);
  const std::vector<std::string> triggers{"今すぐ", "定期", "終了時"};
  for (std::size_t n = 0; n < 3; ++n) {
    const auto& run = lines[1 + 2 * n];
    ASSERT_EQ(run.size(), 10u) << n;
    EXPECT_EQ(run[1], triggers[n]);
    EXPECT_EQ(run[4], "一部失敗");
    EXPECT_EQ(run[8], Generation(static_cast<int>(n) + 1));
    EXPECT_EQ(run[9], caption);
    EXPECT_EQ(lines[2 + 2 * n],
              (std::vector<std::string>{"", held, zelk::fileutil::ErrorString(ERROR_SHARING_VIOLATION),
                                        "前回のコピーを保持"}));
  }
  EXPECT_EQ(ReadFile(Generation(3) + "\\Data\\held.db"), "h") << "the earlier copy carried";
}

TEST_F(RunResults, NothingChangedTimedAndExitRunsMakeNoGenerationAndOnlyTheLogSaysSo) {
  settings_.SkipUnchanged = true;
  AddRow(Source("a.txt", "A"), ActiveFile);
  NowRun();
  TimedRun();
  NowRun();  // asked for now: always a generation
  scheduler_.ExitBackup();

  EXPECT_EQ(Results(), (std::vector<std::string>{"成功", "変更なし", "成功", "変更なし"}));
  EXPECT_EQ(host_.lastRuns,
            (std::vector<RunEnd>{RunEnd::Success, RunEnd::Unchanged, RunEnd::Success, RunEnd::Unchanged}));
  EXPECT_EQ(boxes_.Count("バックアップが完了しました"), 2);
  EXPECT_EQ(boxes_.Shown().size(), 2u);
  EXPECT_TRUE(host_.notices.empty());
  EXPECT_TRUE(Exists(Generation(0)));
  EXPECT_FALSE(Exists(Generation(1))) << "the unchanged timed run";
  EXPECT_TRUE(Exists(Generation(2)));
  EXPECT_FALSE(Exists(Generation(3))) << "the unchanged last run";
}

TEST_F(RunResults, WithNotifyOnlyATimedRunGoesOnWithoutMissingTargetsAndNamesTheFirst) {
  settings_.NotifyOnly = true;
  const std::string held = Source("Data\\held.db", "h");
  Source("Data\\one.txt", "1");
  const std::string gone = dir_ / "src\\gone.txt";
  const std::string a = Source("a.txt", "A");
  AddRow(dir_ / "src\\Data", ActiveFolder);
  AddRow(gone, ActiveFile);
  AddRow(a, ActiveFile);
  LockedFile holder(held);
  ASSERT_TRUE(holder.ok());
  TimedRun();

  EXPECT_TRUE(boxes_.Shown().empty()) << "no question, no box";
  EXPECT_EQ(RowPaths(), (std::vector<std::string>{dir_ / "src\\Data", gone, a}));
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  EXPECT_EQ(ReadFile(Generation(0) + "\\Data\\one.txt"), "1");
  const std::string caption = WithReason(gone, ERROR_FILE_NOT_FOUND) + "ほか1件";
  ASSERT_EQ(host_.notices.size(), 1u);
  EXPECT_EQ(host_.notices[0].caption, caption) << "the missing target comes first";
  EXPECT_TRUE(host_.notices[0].warning);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0][4], "一部失敗");
  EXPECT_EQ(lines[0][9], caption);
  EXPECT_TRUE(scheduler_.IsTimerArmed());

  // Backup-now still asks: the user is there.
  boxes_.Answer("存在しないファイルをリストから削除しますか？", IDNO);
  NowRun();
  EXPECT_EQ(boxes_.Count("存在しないファイルをリストから削除しますか？"), 1);
}

TEST_F(RunResults, TheLogLineSaysWhatThePatternsLeftOut) {
  Source("Data\\a.txt", "A");
  Source("Data\\b.tmp", "12345");
  Source("Data\\sub\\c.tmp", "678");
  AddRow(dir_ / "src\\Data", ActiveFolder);
  settings_.Exclude = "*.tmp";
  NowRun();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(std::vector<std::string>(lines[0].begin() + 4, lines[0].end()),
            (std::vector<std::string>{"成功", lines[0][5], "1", "1", Generation(0), "", "除外 2 ファイル 8 バイト"}));
}

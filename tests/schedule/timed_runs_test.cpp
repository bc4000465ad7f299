// Runs driven by the real interval timer of the test window (one second).
#include <new>

#include "res/resource.h"
#include "schedule_fixture.h"

using namespace zelk::testing;
using zelk::schedule::BACKUP_TIMER_ID;
using zelk::settings::ReadIniInt;
using zelk::targets::ActiveFile;

namespace {

int StopKey() { return ReadIniInt("Main", "Stop", -1); }

}  // namespace

TEST_F(ScheduleTest, RunsNeverOverlapAndEachStartsOneIntervalAfterThePreviousEnded) {
  const std::string a = Source("a.txt", "A");
  AddRow(a, ActiveFile);
  settings_.StartBackup = true;
  runs_.runDelayMs = 1200;  // longer than the interval

  scheduler_.StartBackupTimer();
  EXPECT_TRUE(scheduler_.IsInTray());
  EXPECT_EQ(host_.hideCalls, std::vector<bool>{false});
  ASSERT_TRUE(WaitForRunsEnded(3));
  scheduler_.RestoreFromTray();
  ASSERT_TRUE(WaitForWorkerEnd());

  const auto starts = runs_.Starts();
  const auto ends = runs_.Ends();
  EXPECT_EQ(runs_.MaxInFlight(), 1);
  for (std::size_t k = 1; k < 3; ++k) {
    const long long gap = MillisBetween(ends[k - 1], starts[k]);
    EXPECT_GE(gap, 900) << "run " << k << " started before a full interval had passed";
    EXPECT_LT(gap, 10000) << "run " << k;
    EXPECT_GE(MillisBetween(starts[k - 1], starts[k]), 1200 + 900);
  }
  for (UINT millis : host_.armCalls) EXPECT_EQ(millis, 1000u);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(ReadFile(Generation(n) + "\\a.txt"), "A") << n;
  EXPECT_TRUE(boxes_.Shown().empty()) << "timed runs that succeed show nothing";
}

TEST_F(ScheduleTest, TicksDuringARunStartNothingAndLeaveTheTimerArmed) {
  AddRow(Source("a.txt"), ActiveFile);
  settings_.StartBackup = true;
  runs_.CloseGate();
  scheduler_.StartBackupTimer();
  ASSERT_TRUE(scheduler_.IsBackupRunning());
  EXPECT_FALSE(scheduler_.IsTimerArmed()) << "starting the worker kills the timer";

  // Pause and resume while the run goes on: the timer is armed during it.
  scheduler_.SetStopped(true);
  EXPECT_EQ(StopKey(), 1);
  scheduler_.SetStopped(false);
  EXPECT_EQ(StopKey(), 0);
  EXPECT_TRUE(scheduler_.IsTimerArmed());

  ASSERT_TRUE(PumpUntil([&] { return host_.ticks >= 2; }));
  EXPECT_TRUE(scheduler_.IsBackupRunning());
  EXPECT_EQ(runs_.Starts().size(), 1u);
  EXPECT_TRUE(scheduler_.IsTimerArmed());

  runs_.OpenGate();
  ASSERT_TRUE(WaitForRunsEnded(1));
  EXPECT_EQ(runs_.MaxInFlight(), 1);
}

TEST_F(ScheduleTest, StoppedStartMakesTheFirstRunOnlyAndArmsNoTimer) {
  zelk::settings::WriteIniInt("Main", "Stop", 1);
  scheduler_.LoadStoppedFlag();
  ASSERT_TRUE(scheduler_.IsStopped());
  AddRow(Source("a.txt", "A"), ActiveFile);
  settings_.StartBackup = true;

  scheduler_.StartBackupTimer();
  EXPECT_EQ(host_.hideCalls, std::vector<bool>{true}) << "the stopped icon goes up";
  ASSERT_TRUE(WaitForWorkerEnd());
  PumpFor(1500);  // longer than one interval

  EXPECT_EQ(runs_.Starts().size(), 1u);
  EXPECT_TRUE(host_.armCalls.empty());
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  EXPECT_EQ(host_.ticks, 0);
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ScheduleTest, AFailingRunIsReportedOnceAndTheTimerRearmedAfterItsBoxCloses) {
  AddRow(Source("a.txt"), ActiveFile);
  settings_.DefMode = -1;  // every run fails
  settings_.StartBackup = true;
  boxes_.Hold("バックアップに失敗しました");

  scheduler_.StartBackupTimer();
  ASSERT_TRUE(PumpUntil([&] { return boxes_.HoldingCount() == 1; }));
  PumpFor(1500);  // longer than one interval, with the box still open
  EXPECT_EQ(boxes_.Count("バックアップに失敗しました"), 1);
  EXPECT_EQ(runs_.Starts().size(), 1u);
  EXPECT_TRUE(scheduler_.IsBackupRunning()) << "the worker lives while its box is open";
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  ASSERT_EQ(host_.notices.size(), 1u) << "the notification comes before the box";
  EXPECT_EQ(host_.notices[0].textId, UINT{IDS_SCHED_BACKUP_FAILED});
  EXPECT_EQ(host_.notices[0].caption, "保存形式の設定が正しくありません");
  EXPECT_FALSE(host_.notices[0].warning);

  const Clock::time_point closed = Clock::now();
  boxes_.Release();
  ASSERT_TRUE(PumpUntil([&] { return boxes_.Count("バックアップに失敗しました") == 2; }));
  const auto starts = runs_.Starts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_GE(MillisBetween(closed, starts[1]), 900);

  const Box box = boxes_.Shown().front();
  EXPECT_EQ(box.text, "バックアップに失敗しました");
  EXPECT_EQ(box.caption, "保存形式の設定が正しくありません");
  EXPECT_EQ(box.flags, UINT(MB_OK | MB_ICONERROR));
  EXPECT_EQ(box.owner, host_.Window());
  EXPECT_NE(box.thread, uiThread_) << "the worker shows its own boxes";
  EXPECT_EQ(boxes_.Shown().size(), 2u);
}

TEST_F(ScheduleTest, DecliningToRemoveAMissingTargetSkipsThatRunOnly) {
  const std::string a = Source("a.txt");
  const std::string m = Source("m.txt");
  AddRow(a, ActiveFile);
  AddRow(m, ActiveFile);
  scheduler_.StartBackupTimer();
  ASSERT_TRUE(scheduler_.IsTimerArmed());
  DeleteFileA(m.c_str());
  boxes_.Answer("存在しないファイルをリストから削除しますか？", IDNO);

  ASSERT_TRUE(PumpUntil([&] {
    return boxes_.Count("存在しないファイルをリストから削除しますか？") == 1 && !scheduler_.IsBackupRunning() &&
           scheduler_.IsTimerArmed();
  }));
  EXPECT_TRUE(runs_.Starts().empty());
  EXPECT_EQ(RowPaths(), (std::vector<std::string>{a, m}));
  EXPECT_FALSE(Exists(Generation(0)));
  EXPECT_EQ(host_.armCalls, (std::vector<UINT>{1000, 1000}));
  const Box box = boxes_.Shown().front();
  EXPECT_EQ(box.text, "存在しないファイルをリストから削除しますか？");
  EXPECT_EQ(box.caption, m + "が見つかりません");
  EXPECT_EQ(box.flags, UINT(MB_YESNO | MB_ICONERROR));
  EXPECT_NE(box.thread, uiThread_);
}

TEST_F(ScheduleTest, RestoringFromTheTrayKillsTheTimerAndWritesTheStoppedFlag) {
  AddRow(Source("a.txt"), ActiveFile);
  scheduler_.StartBackupTimer();
  ASSERT_TRUE(scheduler_.IsTimerArmed());
  scheduler_.RestoreFromTray();
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  EXPECT_FALSE(scheduler_.IsInTray());
  EXPECT_EQ(host_.removeIconCalls, 1);
  EXPECT_EQ(host_.restoreCalls, 1);
  EXPECT_EQ(StopKey(), 0);

  // In window mode a stray tick starts nothing, and resuming arms nothing.
  scheduler_.OnTimer(BACKUP_TIMER_ID);
  EXPECT_FALSE(scheduler_.IsBackupRunning());
  scheduler_.SetStopped(true);
  scheduler_.SetStopped(false);
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  EXPECT_EQ(host_.armCalls.size(), 1u);
}

TEST_F(ScheduleTest, ARunEndingInAnExceptionIsReportedOnceAndTheScheduleGoesOn) {
  AddRow(Source("a.txt", "A"), ActiveFile);
  settings_.StartBackup = true;
  // The first run's rows cannot be taken: the exception is thrown on the
  // user-interface thread, inside its window procedure.
  bool thrown = false;
  windowRuns_.onSnapshot = [&] {
    if (thrown) return;
    thrown = true;
    throw std::bad_alloc();
  };
  boxes_.Hold("バックアップに失敗しました");

  scheduler_.StartBackupTimer();
  ASSERT_TRUE(PumpUntil([&] { return boxes_.HoldingCount() == 1; }));
  EXPECT_EQ(windowRuns_.enableCalls, (std::vector<bool>{false, true})) << "controls enabled before the box";
  boxes_.Release();
  ASSERT_TRUE(PumpUntil([&] { return Exists(Generation(0) + "\\a.txt"); })) << "the timer was armed again";
  scheduler_.RestoreFromTray();
  ASSERT_TRUE(WaitForWorkerEnd());

  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].text, "バックアップに失敗しました");
  EXPECT_EQ(boxes_.Shown()[0].caption, "メモリが不足しています");
  EXPECT_EQ(boxes_.Shown()[0].flags, UINT(MB_OK | MB_ICONERROR));
  EXPECT_EQ(windowRuns_.enableCalls.back(), true);
}

// Backup now, the Start command's checks, and the exit from the tray.
#include <stdexcept>

#include "schedule_fixture.h"

using namespace zelk::testing;
using zelk::targets::ActiveFile;
using zelk::targets::PausedFile;

namespace {

const std::string kAppName = "schedule_tests";

void ExpectBox(const Box& box, const std::string& text, const std::string& caption, UINT flags) {
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, caption);
  EXPECT_EQ(box.flags, flags) << text;
}

std::vector<std::string> Comments(const zelk::targets::CTargetList& list) {
  std::vector<std::string> comments;
  for (const auto& row : list.Rows().rows()) comments.push_back(row.entry.comment);
  return comments;
}

}  // namespace

TEST_F(ScheduleTest, BackupNowPressedTwiceQuicklyRefusesTheSecond) {
  AddRow(Source("a.txt", "A"), ActiveFile);
  runs_.CloseGate();
  scheduler_.BackupNow();
  ASSERT_TRUE(scheduler_.IsBackupRunning());
  scheduler_.BackupNow();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "しばらくお待ちください", "コピー中です", MB_OK);
  EXPECT_EQ(boxes_.Shown()[0].owner, host_.Window());

  runs_.OpenGate();
  ASSERT_TRUE(WaitForWorkerEnd());
  ASSERT_EQ(boxes_.Shown().size(), 2u);
  ExpectBox(boxes_.Shown()[1], "バックアップが完了しました", kAppName, MB_OK);
  EXPECT_EQ(runs_.Starts().size(), 1u);
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  // Window mode: no timer afterwards.
  EXPECT_TRUE(host_.armCalls.empty());
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  // The run's calls on the controls were carried out on this thread.
  EXPECT_EQ(windowRuns_.enableCalls, (std::vector<bool>{false, true}));
  for (DWORD thread : windowRuns_.enableThreads) EXPECT_EQ(thread, uiThread_);
}

TEST_F(ScheduleTest, AFailedBackupNowLeavesNoMarkForTheNextRun) {
  AddRow(Source("a.txt", "A"), ActiveFile);
  settings_.DefMode = -1;
  scheduler_.BackupNow();
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(boxes_.Count("バックアップに失敗しました"), 1);

  settings_.DefMode = 0;
  settings_.StartBackup = true;
  scheduler_.StartBackupTimer();
  ASSERT_TRUE(WaitForRunsEnded(2));
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  EXPECT_EQ(boxes_.Count("バックアップが完了しました"), 0);
}

TEST_F(ScheduleTest, RowsStayStillWhileTheWorkerAsksAboutAMissingTarget) {
  const std::string a = Source("a.txt", "A");
  const std::string m = dir_ / "src\\gone.txt";
  const std::string b = Source("b.txt", "B");
  const std::string p = dir_ / "src\\paused-gone.txt";
  AddRow(a, ActiveFile, "ca");
  AddRow(m, ActiveFile, "cm");
  AddRow(b, ActiveFile, "cb");
  AddRow(p, PausedFile, "cp");
  boxes_.Hold("存在しないファイルをリストから削除しますか？");
  scheduler_.BackupNow();
  ASSERT_TRUE(PumpUntil([&] { return boxes_.HoldingCount() == 1; }));

  // While the question is open the user adds a row on top and confirms a
  // comment on b's row, which now stands at index 3.
  const std::string c = Source("c.txt", "C");
  ASSERT_FALSE(list_.Rows().Insert(0, {c, "cc", ActiveFile}));
  list_.Rows().SetComment(3, "confirmed");
  boxes_.Release();
  ASSERT_TRUE(WaitForWorkerEnd());

  EXPECT_EQ(RowPaths(), (std::vector<std::string>{c, a, b, p}));
  EXPECT_EQ(Comments(list_), (std::vector<std::string>{"cc", "ca", "confirmed", "cp"}));
  const Box question = boxes_.Shown().front();
  ExpectBox(question, "存在しないファイルをリストから削除しますか？", m + "が見つかりません",
            MB_YESNO | MB_ICONERROR);
  EXPECT_NE(question.thread, uiThread_);
  EXPECT_EQ(ReadFile(Generation(0) + "\\c.txt"), "C");
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  EXPECT_EQ(ReadFile(Generation(0) + "\\b.txt"), "B");
  EXPECT_EQ(boxes_.Count("バックアップが完了しました"), 1);
}

TEST_F(ScheduleTest, ExitIsRefusedWhileARunIsInProgress) {
  AddRow(Source("a.txt"), ActiveFile);
  runs_.CloseGate();
  scheduler_.BackupNow();
  scheduler_.ExitBackup();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "コピー中なので終了できません", "しばらくお待ちください", MB_OK);
  EXPECT_EQ(host_.removeIconCalls, 0);
  EXPECT_EQ(host_.okCalls, 0);
  runs_.OpenGate();
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(runs_.Starts().size(), 1u);
}

// --- The Start command's checks, in their order -------------------------

class StartChecks : public ScheduleTest {
 protected:
  void ExpectNothingStarted() {
    EXPECT_FALSE(scheduler_.IsInTray());
    EXPECT_TRUE(host_.hideCalls.empty());
    EXPECT_TRUE(host_.armCalls.empty());
    EXPECT_FALSE(Exists(dir_ / "FileList.dat"));
  }
  std::string Unreachable() const { return dir_ / "no\\such\\save"; }
};

TEST_F(StartChecks, EmptyListComesFirst) {
  settings_.SavePath = Unreachable();
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "対象ファイルが登録されていません", kAppName, MB_OK);
  ExpectNothingStarted();
}

TEST_F(StartChecks, NoActiveEntry) {
  settings_.SavePath = Unreachable();
  AddRow(Source("a.txt"), PausedFile);
  AddRow(dir_ / "src\\gone.txt", PausedFile);
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "処理対象ファイルが選択されていません", kAppName, MB_OK);
  ExpectNothingStarted();
}

TEST_F(StartChecks, MissingTargetAnsweredNoChangesNothing) {
  settings_.SavePath = Unreachable();
  const std::string a = Source("a.txt");
  const std::string m = dir_ / "src\\gone.txt";
  AddRow(a, ActiveFile);
  AddRow(m, ActiveFile);
  boxes_.Answer("存在しないファイルをリストから削除しますか？", IDNO);
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "存在しないファイルをリストから削除しますか？", m, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(RowPaths(), (std::vector<std::string>{a, m}));
  ExpectNothingStarted();
}

TEST_F(StartChecks, MissingTargetsAnsweredYesAreRemovedAndTheStartGoesOn) {
  settings_.SavePath = dir_ / "new-save";  // missing, one level to create
  const std::string a = Source("a.txt");
  const std::string m1 = dir_ / "src\\gone1.txt";
  const std::string b = Source("b.txt");
  const std::string m2 = dir_ / "src\\gone2";
  const std::string p = dir_ / "src\\paused-gone.txt";
  AddRow(a, ActiveFile);
  AddRow(m1, ActiveFile);
  AddRow(b, ActiveFile);
  AddRow(m2, zelk::targets::ActiveFolder);
  AddRow(p, PausedFile);
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].caption, m1) << "the first missing entry is named";
  EXPECT_EQ(RowPaths(), (std::vector<std::string>{a, b, p}));
  EXPECT_TRUE(IsFolder(settings_.SavePath));
  EXPECT_TRUE(scheduler_.IsInTray());
  EXPECT_EQ(host_.armCalls, std::vector<UINT>{1000});
  EXPECT_TRUE(scheduler_.IsTimerArmed());
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "2;" + a + ";;\r\n2;" + b + ";;\r\n0;" + p + ";;\r\n");
  EXPECT_FALSE(scheduler_.IsBackupRunning()) << "no first backup without StartBackup";
}

TEST_F(StartChecks, SaveFolderThatCannotBeCreated) {
  settings_.SavePath = Unreachable();
  AddRow(Source("a.txt"), ActiveFile);
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "保存先フォルダが存在しません", Unreachable(), MB_OK);
  ExpectNothingStarted();
}

TEST_F(StartChecks, ListFileThatCannotBeWrittenStopsBeforeTheFirstBackup) {
  list_.SetListFilePath(dir_ / "no-folder\\FileList.dat");
  settings_.StartBackup = true;
  AddRow(Source("a.txt"), ActiveFile);
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "ファイルリストの書き出しに失敗しました", "ファイルリストの初期化に失敗しました",
            MB_OK | MB_ICONERROR);
  EXPECT_TRUE(scheduler_.IsInTray());
  EXPECT_TRUE(scheduler_.IsTimerArmed());
  EXPECT_FALSE(scheduler_.IsBackupRunning());
  EXPECT_TRUE(runs_.Starts().empty());
}

TEST_F(StartChecks, TimerThatCannotBeArmedIsRetriedOrGivenUp) {
  AddRow(Source("a.txt"), ActiveFile);
  host_.armFailures = 1;
  scheduler_.StartBackupTimer();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "タイマーのセットに失敗しました", "内部エラー", MB_RETRYCANCEL | MB_ICONERROR);
  EXPECT_EQ(host_.armCalls.size(), 2u);
  EXPECT_TRUE(scheduler_.IsTimerArmed());
  EXPECT_TRUE(Exists(dir_ / "FileList.dat"));

  scheduler_.RestoreFromTray();
  DeleteFileA((dir_ / "FileList.dat").c_str());
  host_.armFailures = 100;
  settings_.StartBackup = true;
  boxes_.Answer("タイマーのセットに失敗しました", IDCANCEL);
  scheduler_.StartBackupTimer();
  EXPECT_EQ(boxes_.Count("タイマーのセットに失敗しました"), 2);
  EXPECT_TRUE(scheduler_.IsInTray()) << "cancel leaves the window in the tray";
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  EXPECT_FALSE(Exists(dir_ / "FileList.dat"));
  EXPECT_FALSE(scheduler_.IsBackupRunning());
}

// --- The tray menu's exit -------------------------------------------------

TEST_F(ScheduleTest, ExitMakesTheLastBackupOnTheUserInterfaceThread) {
  const std::string a = Source("a.txt", "A");
  const std::string m = dir_ / "src\\gone.txt";
  AddRow(a, ActiveFile);
  AddRow(m, ActiveFile);
  scheduler_.HideToTray();
  // The question box dispatches messages: a backup-now arriving through it
  // must be refused while the last backup is being made.
  boxes_.OnShow("存在しないファイルをリストから削除しますか？", [this] { scheduler_.BackupNow(); });

  scheduler_.ExitBackup();
  const auto shown = boxes_.Shown();
  ASSERT_EQ(shown.size(), 2u);
  ExpectBox(shown[0], "存在しないファイルをリストから削除しますか？", m + "が見つかりません",
            MB_YESNO | MB_ICONERROR);
  EXPECT_EQ(shown[0].thread, uiThread_);
  ExpectBox(shown[1], "しばらくお待ちください", "コピー中です", MB_OK);
  EXPECT_EQ(ReadFile(Generation(0) + "\\a.txt"), "A");
  EXPECT_EQ(windowRuns_.enableCalls, (std::vector<bool>{false, true}));
  for (DWORD thread : windowRuns_.enableThreads) EXPECT_EQ(thread, uiThread_);
  EXPECT_EQ(runs_.Starts().size(), 1u);
  EXPECT_EQ(host_.removeIconCalls, 1);
  EXPECT_EQ(host_.okCalls, 1);
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "2;" + a + ";;\r\n");
  EXPECT_FALSE(scheduler_.IsBackupRunning());
}

TEST_F(ScheduleTest, ExitWithTheMissingTargetKeptEndsWithoutTheLastBackup) {
  const std::string a = Source("a.txt");
  const std::string m = dir_ / "src\\gone.txt";
  AddRow(a, ActiveFile);
  AddRow(m, ActiveFile);
  boxes_.Answer("存在しないファイルをリストから削除しますか？", IDNO);
  scheduler_.ExitBackup();
  EXPECT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_TRUE(runs_.Starts().empty());
  EXPECT_EQ(host_.removeIconCalls, 1);
  EXPECT_EQ(host_.okCalls, 1);
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "2;" + a + ";;\r\n2;" + m + ";;\r\n");
}

TEST_F(ScheduleTest, AFailedLastBackupIsReportedAndTheExitGoesOn) {
  AddRow(Source("a.txt"), ActiveFile);
  settings_.DefMode = -1;
  scheduler_.ExitBackup();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "終了時のバックアップに失敗しました", "Error", MB_OK | MB_ICONERROR);
  EXPECT_EQ(boxes_.Shown()[0].thread, uiThread_);
  EXPECT_EQ(host_.removeIconCalls, 1);
  EXPECT_EQ(host_.okCalls, 1);
}

TEST_F(ScheduleTest, ExitWithoutEndBackupMakesNoRun) {
  settings_.EndBackup = false;
  const std::string m = dir_ / "src\\gone.txt";
  AddRow(m, ActiveFile);
  scheduler_.ExitBackup();
  EXPECT_TRUE(boxes_.Shown().empty());
  EXPECT_TRUE(runs_.Starts().empty());
  EXPECT_FALSE(Exists(settings_.SavePath));
  EXPECT_EQ(host_.removeIconCalls, 1);
  EXPECT_EQ(host_.okCalls, 1);
  EXPECT_EQ(ReadFile(dir_ / "FileList.dat"), "2;" + m + ";;\r\n");
}

TEST_F(ScheduleTest, OnceTheExitHasBegunNoTimerRunsAndNoWorkerStarts) {
  const std::string a = Source("a.txt", "A");
  AddRow(a, ActiveFile);
  scheduler_.StartBackupTimer();
  ASSERT_TRUE(scheduler_.IsTimerArmed());
  // The last backup runs out of the tray: nothing could re-arm a timer or
  // put an icon back for it.
  bool inTrayDuringLastRun = true;
  windowRuns_.onSnapshot = [&] { inTrayDuringLastRun = scheduler_.IsInTray(); };
  scheduler_.ExitBackup();
  EXPECT_FALSE(inTrayDuringLastRun);
  EXPECT_TRUE(scheduler_.IsExiting());
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  EXPECT_EQ(runs_.Starts().size(), 1u) << "the last backup";

  scheduler_.OnTimer(zelk::schedule::BACKUP_TIMER_ID);
  scheduler_.StartWorker();
  scheduler_.BackupNow();
  scheduler_.SetStopped(true);
  scheduler_.SetStopped(false);
  EXPECT_FALSE(scheduler_.IsBackupRunning());
  EXPECT_FALSE(scheduler_.IsTimerArmed());
  PumpFor(1500);
  EXPECT_EQ(runs_.Starts().size(), 1u);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ScheduleTest, AnExceptionInTheLastBackupIsReportedAndTheExitGoesOn) {
  AddRow(Source("a.txt"), ActiveFile);
  windowRuns_.onSnapshot = [] { throw std::runtime_error("broken"); };
  scheduler_.ExitBackup();
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  ExpectBox(boxes_.Shown()[0], "終了時のバックアップに失敗しました", "Error", MB_OK | MB_ICONERROR);
  EXPECT_EQ(windowRuns_.enableCalls, (std::vector<bool>{false, true}));
  EXPECT_FALSE(scheduler_.IsBackupRunning());
  EXPECT_EQ(host_.removeIconCalls, 1);
  EXPECT_EQ(host_.okCalls, 1);
}

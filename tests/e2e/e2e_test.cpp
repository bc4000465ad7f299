// End-to-end tests of the real Zelk.exe under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "fileutil/directory_ops.h"
#include "res/resource.h"
#include "run_log_file.h"
#include "zelk_process.h"

using namespace zelk::e2e;
using zelk::testing::Exists;
using zelk::testing::IsFolder;
using zelk::testing::ReadFile;
using zelk::testing::WriteFile;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(zelk_.Path("src\\Data\\one.txt"), "one");
    WriteFile(zelk_.Path("src\\Data\\sub\\two.txt"), std::string(100000, 't'));
    WriteFile(zelk_.Path("src\\note.txt"), "note");
  }
  void UseTargets() {
    zelk_.WriteFileList({"3;" + zelk_.Path("src\\Data") + ";daily;", "2;" + zelk_.Path("src\\note.txt") + ";;"});
  }
  std::string Options(int history, int historyNum, int mode, const std::string& extra = "") {
    return "SavePath=" + zelk_.Path("save") + "\r\nHistory=" + std::to_string(history) +
           "\r\nHistoryNum=" + std::to_string(historyNum) + "\r\nDefMode=" + std::to_string(mode) +
           "\r\n" + extra;
  }
  // Backup now, and the completion box answered.
  void BackupNow() {
    zelk_.Command(ID_BACKUP_NOW);
    MessageBoxSeen box = zelk_.WaitForBox();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, "バックアップが完了しました");
    EXPECT_EQ(box.caption, "Zelk");
    ZelkProcess::Press(box, IDOK);
  }
  void ExitFromWindow() { EXPECT_TRUE(zelk_.ExitFromWindow()); }
  // Starts the program and presses "開始(&S)"; true once the window has gone
  // to the tray.
  bool StartInTray() {
    zelk_.Start();
    zelk_.Command(IDC_START);
    for (int i = 0; i < 100 && IsWindowVisible(zelk_.MainWindow()); ++i) Sleep(50);
    return !IsWindowVisible(zelk_.MainWindow());
  }
  // The one generation in the save folder, an archive with this extension.
  std::string OnlyArchive(const std::string& extension) {
    std::vector<std::string> gens = Entries(zelk_.Path("save"));
    EXPECT_EQ(gens.size(), 1u);
    if (gens.size() != 1 || gens[0].size() < 4) return {};
    EXPECT_EQ(gens[0].substr(gens[0].size() - 4), extension);
    return UnixPath(zelk_.Path("save\\" + gens[0]));
  }
  void ExpectTreeCopied(const std::string& root) {
    EXPECT_EQ(ReadFile(root + "\\Data\\one.txt"), "one");
    EXPECT_TRUE(ReadFile(root + "\\Data\\sub\\two.txt") == std::string(100000, 't')) << root;
    EXPECT_EQ(ReadFile(root + "\\note.txt"), "note");
  }

  ZelkProcess zelk_;
};

}  // namespace

TEST_F(EndToEnd, BackupNowKeepsTheLastTwoPlainGenerations) {
  zelk_.WriteIni(Options(1, 2, 0));
  UseTargets();
  zelk_.Start();
  for (int run = 0; run < 3; ++run) {
    if (run > 0) Sleep(1100);  // one generation name per second
    BackupNow();
  }
  ExitFromWindow();
  std::vector<std::string> gens = Entries(zelk_.Path("save"));
  ASSERT_EQ(gens.size(), 2u);
  for (const auto& gen : gens) ExpectTreeCopied(zelk_.Path("save\\" + gen));
  std::vector<std::string> history = Lines(ReadFile(zelk_.Path("History.dat")));
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0], zelk_.Path("save\\" + gens[0]));
  EXPECT_EQ(history[1], zelk_.Path("save\\" + gens[1]));
}

TEST_F(EndToEnd, KeepNoneEmptiesTheSaveFolderAndCopiesIntoIt) {
  zelk_.WriteIni(Options(0, 2, 0));
  UseTargets();
  WriteFile(zelk_.Path("save\\old.txt"), "old");
  zelk_.Start();
  BackupNow();
  ExitFromWindow();
  EXPECT_FALSE(Exists(zelk_.Path("save\\old.txt")));
  ExpectTreeCopied(zelk_.Path("save"));
  EXPECT_EQ(ReadFile(zelk_.Path("History.dat")), "");
}

TEST_F(EndToEnd, ZipGenerationsPassUnzip) {
  zelk_.WriteIni(Options(1, 5, 1));
  UseTargets();
  zelk_.Start();
  BackupNow();
  ExitFromWindow();
  const std::string archive = OnlyArchive(".zip");
  ASSERT_FALSE(archive.empty());
  const std::string out = UnixPath(zelk_.Path("unzipped"));
  EXPECT_EQ(RunUnix("unzip -tq '" + archive + "'"), 0);
  EXPECT_EQ(RunUnix("unzip -q '" + archive + "' -d '" + out + "'"), 0);
  ExpectTreeCopied(zelk_.Path("unzipped"));
}

TEST_F(EndToEnd, LzhGenerationsPassLhasa) {
  zelk_.WriteIni(Options(1, 5, 2));
  UseTargets();
  zelk_.Start();
  BackupNow();
  ExitFromWindow();
  const std::string archive = OnlyArchive(".lzh");
  ASSERT_FALSE(archive.empty());
  const std::string out = UnixPath(zelk_.Path("unlzh"));
  EXPECT_EQ(RunUnix("lhasa tq '" + archive + "'"), 0);
  EXPECT_EQ(RunUnix("mkdir -p '" + out + "' && cd '" + out + "' && lhasa xq '" + archive + "'"), 0);
  ExpectTreeCopied(zelk_.Path("unlzh"));
}

TEST_F(EndToEnd, StartRefusesAnEmptyListAndAListWithoutActiveTargets) {
  zelk_.WriteIni(Options(1, 2, 0));
  zelk_.Start();
  zelk_.Command(IDC_START);
  MessageBoxSeen box = zelk_.WaitForBox();
  EXPECT_EQ(box.text, "対象ファイルが登録されていません");
  EXPECT_EQ(box.caption, "Zelk");
  ZelkProcess::Press(box, IDOK);
  EXPECT_TRUE(IsWindowVisible(zelk_.MainWindow()));
  ExitFromWindow();

  ZelkProcess paused;
  paused.WriteIni("SavePath=" + paused.Path("save") + "\r\n");
  paused.WriteFileList({"0;" + paused.Path("x.txt") + ";;", "1;" + paused.Path("y") + ";;"});
  paused.Start();
  paused.Command(IDC_START);
  box = paused.WaitForBox();
  EXPECT_EQ(box.text, "処理対象ファイルが選択されていません");
  ZelkProcess::Press(box, IDOK);
  EXPECT_TRUE(IsWindowVisible(paused.MainWindow()));
  paused.Command(IDC_EXIT);
  EXPECT_TRUE(paused.WaitForExit());
}

TEST_F(EndToEnd, MissingTargetQuestionAtStart) {
  zelk_.WriteIni(Options(1, 2, 0, "SaveTimeNum=1\r\nSaveTimeTani=0\r\n"));
  const std::string missing = zelk_.Path("src\\gone.txt");
  zelk_.WriteFileList({"2;" + missing + ";;", "3;" + zelk_.Path("src\\Data") + ";;"});
  zelk_.Start();
  zelk_.Command(IDC_START);
  MessageBoxSeen box = zelk_.WaitForBox();
  EXPECT_EQ(box.text, "存在しないファイルをリストから削除しますか？");
  EXPECT_EQ(box.caption, missing);
  ZelkProcess::Press(box, IDNO);
  Sleep(200);
  EXPECT_TRUE(IsWindowVisible(zelk_.MainWindow())) << "No abandons the start";

  zelk_.Command(IDC_START);
  box = zelk_.WaitForBox();
  ZelkProcess::Press(box, IDYES);
  for (int i = 0; i < 100 && IsWindowVisible(zelk_.MainWindow()); ++i) Sleep(50);
  EXPECT_FALSE(IsWindowVisible(zelk_.MainWindow())) << "the window went to the tray";
  // The list is saved right after the window has gone to the tray.
  const std::string saved = "3;" + zelk_.Path("src\\Data") + ";;\r\n";
  for (int i = 0; i < 100 && ReadFile(zelk_.Path("FileList.dat")) != saved; ++i) Sleep(50);
  EXPECT_EQ(ReadFile(zelk_.Path("FileList.dat")), saved) << "Start saves the list without the missing row";
  zelk_.Command(ID_TRAY_EXIT);  // EndBackup is on by default: one last backup
  EXPECT_TRUE(zelk_.WaitForExit());
  ASSERT_EQ(Entries(zelk_.Path("save")).size(), 1u);
}

TEST_F(EndToEnd, PeriodicRunsInTheTrayStopInWindowMode) {
  zelk_.WriteIni(Options(1, 99, 0, "SaveTimeNum=1\r\nSaveTimeTani=2\r\nEndBackup=0\r\n"));
  UseTargets();
  zelk_.Start();
  zelk_.Command(IDC_START);
  // Runs follow each other one second apart while the window is hidden.
  std::size_t count = 0;
  for (int i = 0; i < 300 && count < 3; ++i) {
    Sleep(50);
    count = Entries(zelk_.Path("save")).size();
  }
  EXPECT_GE(count, 3u);
  EXPECT_FALSE(IsWindowVisible(zelk_.MainWindow()));
  EXPECT_TRUE(zelk_.NoBoxOpen());

  zelk_.Command(ID_TRAY_RESTORE);
  for (int i = 0; i < 100 && !IsWindowVisible(zelk_.MainWindow()); ++i) Sleep(50);
  EXPECT_TRUE(IsWindowVisible(zelk_.MainWindow()));
  Sleep(1500);  // a run that was already going may still finish
  const std::size_t settled = Entries(zelk_.Path("save")).size();
  Sleep(2500);
  EXPECT_EQ(Entries(zelk_.Path("save")).size(), settled) << "no timer runs in window mode";
  ExitFromWindow();
  for (const auto& gen : Entries(zelk_.Path("save"))) ExpectTreeCopied(zelk_.Path("save\\" + gen));
  EXPECT_EQ(Lines(ReadFile(zelk_.Path("History.dat"))).size(), settled);
}

TEST_F(EndToEnd, ExitFromTheTrayTakesTheLastBackup) {
  zelk_.WriteIni(Options(1, 2, 0, "SaveTimeNum=1\r\nSaveTimeTani=0\r\nEndBackup=1\r\n"));
  UseTargets();
  ASSERT_TRUE(StartInTray());
  EXPECT_TRUE(Entries(zelk_.Path("save")).empty()) << "no first backup without StartBackup";
  zelk_.Command(ID_TRAY_EXIT);
  EXPECT_TRUE(zelk_.WaitForExit());
  std::vector<std::string> gens = Entries(zelk_.Path("save"));
  ASSERT_EQ(gens.size(), 1u);
  ExpectTreeCopied(zelk_.Path("save\\" + gens[0]));
}

TEST_F(EndToEnd, PauseAndResumeFromTheTrayKeepTheFlagInTheIniFile) {
  zelk_.WriteIni(Options(1, 99, 0, "SaveTimeNum=1\r\nSaveTimeTani=2\r\nEndBackup=0\r\n"));
  UseTargets();
  zelk_.Start();
  zelk_.Command(IDC_START);
  for (int i = 0; i < 200 && Entries(zelk_.Path("save")).empty(); ++i) Sleep(50);
  ASSERT_FALSE(Entries(zelk_.Path("save")).empty()) << "runs while running";

  zelk_.TrayEvent(WM_MBUTTONDOWN);  // pause
  for (int i = 0; i < 100 && ReadFile(zelk_.Path("Zelk.ini")).find("Stop=1") == std::string::npos; ++i) {
    Sleep(50);
  }
  EXPECT_NE(ReadFile(zelk_.Path("Zelk.ini")).find("Stop=1"), std::string::npos);
  Sleep(1500);  // a run that was already going may still finish
  const std::size_t paused = Entries(zelk_.Path("save")).size();
  Sleep(2500);
  EXPECT_EQ(Entries(zelk_.Path("save")).size(), paused) << "no runs while paused";

  zelk_.TrayEvent(WM_MBUTTONDOWN);  // resume
  for (int i = 0; i < 200 && Entries(zelk_.Path("save")).size() == paused; ++i) Sleep(50);
  EXPECT_GT(Entries(zelk_.Path("save")).size(), paused) << "runs again after resuming";
  EXPECT_NE(ReadFile(zelk_.Path("Zelk.ini")).find("Stop=0"), std::string::npos);
  zelk_.TrayEvent(WM_LBUTTONDBLCLK);  // back to the window
  for (int i = 0; i < 100 && !IsWindowVisible(zelk_.MainWindow()); ++i) Sleep(50);
  EXPECT_TRUE(IsWindowVisible(zelk_.MainWindow()));
  ExitFromWindow();
}

TEST_F(EndToEnd, OptionsChangeTheSaveFolderAndTheNextBackupGoesThere) {
  zelk_.WriteIni(Options(1, 2, 0));
  UseTargets();
  zelk_.Start();
  BackupNow();
  ASSERT_EQ(Entries(zelk_.Path("save")).size(), 1u);

  HWND options = zelk_.OpenDialog(ID_OPTIONS, "オプション");
  ASSERT_NE(options, nullptr);
  const std::string newFolder = zelk_.Path("elsewhere");
  SendMessageA(GetDlgItem(options, IDC_OPT_SAVE_PATH), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(newFolder.c_str()));
  PostMessageA(options, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  MessageBoxSeen question = zelk_.WaitForBox();
  EXPECT_EQ(question.caption, "保存先フォルダが変更されました");
  ZelkProcess::Press(question, IDYES);
  for (int i = 0; i < 400 && IsWindow(options); ++i) Sleep(50);
  EXPECT_FALSE(IsWindow(options));
  const std::string wanted = "SavePath=" + newFolder + "\r\n";
  for (int i = 0; i < 400 && ReadFile(zelk_.Path("Zelk.ini")).find(wanted) == std::string::npos; ++i) {
    Sleep(50);
  }
  EXPECT_NE(ReadFile(zelk_.Path("Zelk.ini")).find(wanted), std::string::npos) << ReadFile(zelk_.Path("Zelk.ini"));
  EXPECT_TRUE(Entries(zelk_.Path("save")).empty()) << "the old backups were discarded";

  BackupNow();
  ExitFromWindow();
  std::vector<std::string> gens = Entries(newFolder);
  ASSERT_EQ(gens.size(), 1u);
  ExpectTreeCopied(newFolder + "\\" + gens[0]);
}

// Exit, tray and window lifecycle.

TEST_F(EndToEnd, TrayExitWithTheVersionDialogOpenEndsTheProgram) {
  zelk_.WriteIni(Options(1, 99, 0, "SaveTimeNum=1\r\nSaveTimeTani=2\r\nEndBackup=1\r\n"));
  UseTargets();
  ASSERT_TRUE(StartInTray());

  zelk_.Command(ID_VERSION);
  HWND version = zelk_.WaitForDialog("バージョン情報 Zelk");
  ASSERT_NE(version, nullptr);
  // While it is open the icon only brings it forward: no second dialog, no
  // pause from the middle button.
  zelk_.Command(ID_VERSION);
  zelk_.TrayEvent(WM_MBUTTONDOWN);
  zelk_.TrayEvent(WM_LBUTTONDBLCLK);
  Sleep(500);
  EXPECT_TRUE(IsWindow(version));
  EXPECT_FALSE(IsWindowVisible(zelk_.MainWindow())) << "the double-click did not restore the window";
  EXPECT_EQ(ReadFile(zelk_.Path("Zelk.ini")).find("Stop=1"), std::string::npos);
  int versionDialogs = 0;
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "バージョン情報 Zelk"); w != nullptr;
       w = FindWindowExA(nullptr, w, "#32770", "バージョン情報 Zelk")) {
    ++versionDialogs;
  }
  EXPECT_EQ(versionDialogs, 1);

  ASSERT_TRUE(zelk_.ExitFromTray()) << "the process ended with the version dialog open";
  const std::size_t atExit = Entries(zelk_.Path("save")).size();
  EXPECT_GE(atExit, 1u) << "the last backup";
  Sleep(2500);
  EXPECT_EQ(Entries(zelk_.Path("save")).size(), atExit) << "no generation after the exit";
  for (const auto& gen : Entries(zelk_.Path("save"))) ExpectTreeCopied(zelk_.Path("save\\" + gen));
}

TEST_F(EndToEnd, TrayExitWithAMessageBoxOpenEndsTheProgram) {
  zelk_.WriteIni(Options(1, 99, 0, "SaveTimeNum=1\r\nSaveTimeTani=2\r\nEndBackup=1\r\n"));
  UseTargets();
  ASSERT_TRUE(StartInTray());

  // The tray's clear-backups shows its box on the window's own thread.
  MessageBoxSeen box;
  for (int attempt = 0; attempt < 20 && box.window == nullptr; ++attempt) {
    zelk_.Command(ID_CLEAR_BACKUPS);
    box = zelk_.WaitForBox(5000);
    if (box.window != nullptr && box.caption == "コピー中です") {  // a timed run was copying
      ZelkProcess::Press(box, IDOK);
      box = {};
    }
  }
  ASSERT_NE(box.window, nullptr);

  ASSERT_TRUE(zelk_.ExitFromTray()) << "the process ended with a message box open";
  const std::size_t atExit = Entries(zelk_.Path("save")).size();
  Sleep(2500);
  EXPECT_EQ(Entries(zelk_.Path("save")).size(), atExit) << "no generation after the exit";
}

TEST_F(EndToEnd, NewTaskbarLeavesAShownWindowShown) {
  zelk_.WriteIni(Options(1, 2, 0));
  UseTargets();
  zelk_.Start();
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  EXPECT_EQ(SendMessageA(zelk_.MainWindow(), taskbarCreated, 0, 0), 0);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(zelk_.MainWindow()));
  EXPECT_TRUE(zelk_.NoBoxOpen());
  ExitFromWindow();
  EXPECT_TRUE(Entries(zelk_.Path("save")).empty());
}

TEST_F(EndToEnd, ARunEndingInAnExceptionIsReportedOnceAndTheScheduleGoesOn) {
  zelk_.WriteIni(Options(1, 99, 0, "SaveTimeNum=1\r\nSaveTimeTani=2\r\nEndBackup=0\r\n"));
  UseTargets();
  zelk_.UseTestBuild();
  zelk_.SetEnvironment("ZELK_TEST_RUN_FAULT", "bad_alloc");  // the first run only
  zelk_.Start();
  zelk_.Command(IDC_START);

  MessageBoxSeen box = zelk_.WaitForBox();
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, "バックアップに失敗しました");
  EXPECT_EQ(box.caption, "メモリが不足しています");
  Sleep(500);
  EXPECT_EQ(zelk_.OpenBoxes().size(), 1u) << "one box";
  for (int id : {IDC_LIST_TARGET, IDC_ADD, IDC_UP, IDC_DOWN, IDC_DELETE, IDC_CLEAR_LIST, IDC_EXIT}) {
    EXPECT_TRUE(zelk_.IsControlEnabled(id)) << id;
  }
  EXPECT_TRUE(Entries(zelk_.Path("save")).empty());
  ZelkProcess::Press(box, IDOK);

  // The timer was armed again: the next run comes and succeeds (seen once
  // its generation has its name; a run's own "~Zelk" entries come and go).
  const auto generations = [this] {
    std::vector<std::string> names = Entries(zelk_.Path("save"));
    std::erase_if(names, [](const std::string& name) { return name.rfind("~Zelk", 0) == 0; });
    return names;
  };
  for (int i = 0; i < 200 && generations().empty(); ++i) Sleep(50);
  ASSERT_EQ(generations().size(), 1u) << "the schedule went on after the failure";
  EXPECT_TRUE(zelk_.NoBoxOpen());
  ASSERT_TRUE(zelk_.ExitFromTray());
  for (const auto& gen : Entries(zelk_.Path("save"))) ExpectTreeCopied(zelk_.Path("save\\" + gen));
}

TEST_F(EndToEnd, AHundredThousandLineListOpensAndPathlessLinesAreNotListed) {
  zelk_.WriteIni(Options(1, 2, 0));
  std::vector<std::string> lines;
  lines.reserve(100003);
  for (int i = 0; i < 100000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%06d.txt", i);
    lines.push_back("2;" + zelk_.Path("src\\many\\" + std::string(name)) + ";;");
    if (i == 0) {
      // Lines that name no path.
      lines.push_back("");
      lines.push_back("2;;no path;");
      lines.push_back("3; \t;blank path;");
    }
  }
  zelk_.WriteFileList(lines);
  zelk_.Start();
  EXPECT_EQ(zelk_.ListRowCount(), 100000);

  // The missing-target question names the first missing path.
  zelk_.Command(IDC_START);
  MessageBoxSeen box = zelk_.WaitForBox();
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, "存在しないファイルをリストから削除しますか？");
  EXPECT_EQ(box.caption, zelk_.Path("src\\many\\f000000.txt"));
  ZelkProcess::Press(box, IDNO);
  ExitFromWindow();

  const std::vector<std::string> saved = Lines(ReadFile(zelk_.Path("FileList.dat")));
  ASSERT_EQ(saved.size(), 100000u);
  EXPECT_EQ(saved[1], "2;" + zelk_.Path("src\\many\\f000001.txt") + ";;");
}

TEST_F(EndToEnd, EveryRunLeavesItsLineInTheRunLog) {
  zelk_.WriteIni(Options(1, 5, 0, "SaveTimeNum=1\r\nSaveTimeTani=0\r\nEndBackup=1\r\n"));
  UseTargets();
  zelk_.Start();
  BackupNow();
  Sleep(1100);  // one generation name per second
  zelk_.Command(IDC_START);
  for (int i = 0; i < 100 && IsWindowVisible(zelk_.MainWindow()); ++i) Sleep(50);
  ASSERT_TRUE(zelk_.ExitFromTray());  // with the last backup

  const std::vector<std::string> gens = Entries(zelk_.Path("save"));
  ASSERT_EQ(gens.size(), 2u);
  const auto lines = zelk::testing::RunLogLines(zelk_.Path("RunLog.txt"));
  ASSERT_EQ(lines.size(), 2u);
  const std::vector<std::string> triggers = {"今すぐ", "終了時"};
  for (std::size_t n = 0; n < 2; ++n) {
    ASSERT_EQ(lines[n].size(), 9u);
    EXPECT_TRUE(zelk::testing::IsLogTime(lines[n][0])) << lines[n][0];
    EXPECT_EQ(lines[n][1], triggers[n]);
    EXPECT_EQ(lines[n][2], "無圧縮");
    EXPECT_EQ(lines[n][3], "5つ残す");
    EXPECT_EQ(lines[n][4], "成功");
    EXPECT_EQ(lines[n][6], "3") << "one.txt, two.txt, note.txt";
    EXPECT_EQ(lines[n][7], "100007");
    EXPECT_EQ(lines[n][8], zelk_.Path("save\\" + gens[n]));
  }
}

TEST_F(EndToEnd, AVerifiedArchiveIsLoggedAndADamagedOneFailsInItsBox) {
  std::mt19937 rng(9);
  std::string noise(1 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  WriteFile(zelk_.Path("src\\Data\\big.bin"), noise);  // most of the archive: its middle byte
  zelk_.WriteIni(Options(1, 5, 1, "Verify=1\r\n"));
  UseTargets();
  zelk_.UseTestBuild();
  zelk_.Start();
  BackupNow();
  ExitFromWindow();
  const std::vector<std::string> before = Entries(zelk_.Path("save"));
  ASSERT_EQ(before.size(), 1u);
  const std::string older = ReadFile(zelk_.Path("save\\" + before[0]));

  Sleep(1100);  // one generation name per second
  zelk_.SetEnvironment("ZELK_TEST_WRITE_DAMAGE", "1");
  zelk_.Start();
  zelk_.Command(ID_BACKUP_NOW);
  MessageBoxSeen box = zelk_.WaitForBox();
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.text, "バックアップに失敗しました");
  const std::string suffix = ".zip\\Data\\big.binの照合に失敗しました";
  EXPECT_EQ(box.caption.rfind(zelk_.Path("save\\"), 0), 0u) << box.caption;
  EXPECT_TRUE(box.caption.size() > suffix.size() &&
              box.caption.substr(box.caption.size() - suffix.size()) == suffix) << box.caption;
  ZelkProcess::Press(box, IDOK);
  ExitFromWindow();

  EXPECT_EQ(Entries(zelk_.Path("save")), before) << "no staging entry left";
  EXPECT_TRUE(ReadFile(zelk_.Path("save\\" + before[0])) == older);
  EXPECT_EQ(Lines(ReadFile(zelk_.Path("History.dat"))), std::vector<std::string>{zelk_.Path("save\\" + before[0])});
  const auto lines = zelk::testing::RunLogLines(zelk_.Path("RunLog.txt"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0][4], "成功");
  EXPECT_EQ(lines[0].back(), "照合済み");
  EXPECT_EQ(lines[1][4], "失敗");
  EXPECT_NE(lines[1].back(), "照合済み");
}

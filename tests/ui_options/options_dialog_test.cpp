// The options dialog itself: what it shows, the corrections and questions
// while editing, the defaults, the disabled formats, and what OK stores.
#include "options_dialog_harness.h"

#include <shlobj.h>

using namespace zelk::testing;
namespace engine = zelk::engine;
namespace settings = zelk::settings;

namespace {

const Box kCountTooSmall{"2以上の数字を指定してください", "ui_options_tests", MB_OK};
const Box kCountTooLarge{"99以下の数字を指定してください", "ui_options_tests", MB_OK};
const Box kKeepNoneQuestion{
    "最新のバックアップされたファイル以外はすべて削除されます\nよろしいですか？", "確認",
    MB_YESNO | MB_ICONQUESTION};

// A drop of the paths as the shell hands it over: DROPFILES and a list of
// ANSI names ending in two terminators.
HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
  std::string list;
  for (const auto& path : paths) list += path + '\0';
  list += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

TEST_F(OptionsDialogTest, ShowsTheRecordInItsControls) {
  settings_.SaveTimeNum = 45;
  settings_.SaveTimeTani = zelk::settings::Minutes;
  settings_.History = 1;
  settings_.HistoryNum = 7;
  settings_.DefMode = zelk::settings::LzhArchive;
  settings_.OpenStart = true;
  settings_.StartBackup = false;
  settings_.EndBackup = true;
  Run([&](HWND d) {
    char caption[64] = {};
    GetWindowTextA(d, caption, sizeof caption);
    EXPECT_STREQ(caption, "オプション");
    EXPECT_EQ(Text(d, IDC_OPT_SAVE_PATH), dir_ / "save");
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "45");
    EXPECT_EQ(SelectedUnit(d), 1);
    HWND units = GetDlgItem(d, IDC_OPT_UNIT);
    ASSERT_EQ(SendMessageA(units, CB_GETCOUNT, 0, 0), 3);
    const char* names[] = {"時間", "分", "秒"};
    for (int i = 0; i < 3; ++i) {
      char name[32] = {};
      SendMessageA(units, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
      EXPECT_STREQ(name, names[i]);
    }
    EXPECT_FALSE(Checked(d, IDC_OPT_HISTORY_NONE));
    EXPECT_TRUE(Checked(d, IDC_OPT_HISTORY_KEEP));
    EXPECT_TRUE(Enabled(d, IDC_OPT_HISTORY_NUM));
    EXPECT_EQ(Text(d, IDC_OPT_HISTORY_NUM), "7");
    EXPECT_EQ(SpinRange(d, IDC_OPT_HISTORY_SPIN), std::make_pair(2, 99));
    EXPECT_EQ(SpinRange(d, IDC_OPT_INTERVAL_SPIN), std::make_pair(1, 59));
    EXPECT_FALSE(Checked(d, IDC_OPT_FORMAT_PLAIN));
    EXPECT_TRUE(Checked(d, IDC_OPT_FORMAT_LZH));
    EXPECT_TRUE(Enabled(d, IDC_OPT_FORMAT_ZIP));
    EXPECT_TRUE(Checked(d, IDC_OPT_OPEN_START));
    EXPECT_FALSE(Checked(d, IDC_OPT_START_BACKUP));
    EXPECT_TRUE(Checked(d, IDC_OPT_END_BACKUP));
    EXPECT_FALSE(Checked(d, IDC_OPT_LINK_UNCHANGED));
    EXPECT_EQ(Text(d, IDC_OPT_LINK_UNCHANGED), "変更のないファイルは前の世代と共有する（ハードリンク）");
    EXPECT_EQ(Text(d, IDC_OPT_BROWSE), "参照");
    EXPECT_EQ(Text(d, IDC_OPT_FORMAT_ZIP), "zip (要ZIP32J.DLL)");
    EXPECT_EQ(Text(d, IDCANCEL), "キャンセル");
    EXPECT_EQ(Text(d, IDC_OPT_DEFAULTS), "初期設定");
    EXPECT_EQ(GetWindowLongA(GetDlgItem(d, IDC_OPT_SAVE_PATH), GWL_EXSTYLE) & WS_EX_ACCEPTFILES,
              WS_EX_ACCEPTFILES);
  });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OptionsDialogTest, CountIsCorrectedWithAMessageWhenItsBoxIsLeft) {
  settings_.History = 1;
  Run([&](HWND d) {
    for (const auto& [typed, shown, box] : {std::tuple{"1", "2", kCountTooSmall},
                                           std::tuple{"", "2", kCountTooSmall},
                                           std::tuple{"150", "99", kCountTooLarge}}) {
      ClearBoxes();
      Focus(d, IDC_OPT_HISTORY_NUM);
      SetText(d, IDC_OPT_HISTORY_NUM, typed);
      Focus(d, IDC_OPT_INTERVAL);
      EXPECT_EQ(Text(d, IDC_OPT_HISTORY_NUM), shown) << typed;
      EXPECT_EQ(Boxes(), (std::vector<Box>{box})) << typed;
    }
    ClearBoxes();
    Focus(d, IDC_OPT_HISTORY_NUM);
    SetText(d, IDC_OPT_HISTORY_NUM, "50");
    Focus(d, IDC_OPT_INTERVAL);
    EXPECT_EQ(Text(d, IDC_OPT_HISTORY_NUM), "50");
    EXPECT_TRUE(Boxes().empty());
  });
}

TEST_F(OptionsDialogTest, IntervalIsCorrectedSilentlyByItsUnit) {
  Run([&](HWND d) {
    SelectUnit(d, 1);  // 分
    EXPECT_EQ(SpinRange(d, IDC_OPT_INTERVAL_SPIN), std::make_pair(1, 59));
    SetText(d, IDC_OPT_INTERVAL, "45");
    SelectUnit(d, 0);  // 時間
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "24");
    EXPECT_EQ(SpinRange(d, IDC_OPT_INTERVAL_SPIN), std::make_pair(1, 24));
    SelectUnit(d, 1);
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "24");

    SelectUnit(d, 2);  // 秒
    Focus(d, IDC_OPT_INTERVAL);
    SetText(d, IDC_OPT_INTERVAL, "");
    Focus(d, IDC_OPT_HISTORY_NONE);
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "1");
    Focus(d, IDC_OPT_INTERVAL);
    SetText(d, IDC_OPT_INTERVAL, "75");
    Focus(d, IDOK);
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "59");
    SelectUnit(d, 0);
    Focus(d, IDC_OPT_INTERVAL);
    SetText(d, IDC_OPT_INTERVAL, "0");
    Focus(d, IDOK);
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "1");
  });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OptionsDialogTest, KeepNoneAsksAndNoKeepsTheCount) {
  settings_.History = 1;
  Run([&](HWND d) {
    Answer(IDNO);
    Click(d, IDC_OPT_HISTORY_NONE);
    EXPECT_EQ(Boxes(), (std::vector<Box>{kKeepNoneQuestion}));
    EXPECT_TRUE(Checked(d, IDC_OPT_HISTORY_KEEP));
    EXPECT_FALSE(Checked(d, IDC_OPT_HISTORY_NONE));
    EXPECT_TRUE(Enabled(d, IDC_OPT_HISTORY_NUM));

    Answer(IDYES);
    Click(d, IDC_OPT_HISTORY_NONE);
    EXPECT_TRUE(Checked(d, IDC_OPT_HISTORY_NONE));
    EXPECT_FALSE(Enabled(d, IDC_OPT_HISTORY_NUM));
    EXPECT_FALSE(Enabled(d, IDC_OPT_HISTORY_SPIN));

    // Asked again when it is already chosen; keep-N asks nothing.
    Answer(IDYES);
    Click(d, IDC_OPT_HISTORY_NONE);
    EXPECT_EQ(Boxes().size(), 3u);
    Click(d, IDC_OPT_HISTORY_KEEP);
    EXPECT_EQ(Boxes().size(), 3u);
    EXPECT_TRUE(Enabled(d, IDC_OPT_HISTORY_NUM));
    EXPECT_TRUE(Enabled(d, IDC_OPT_HISTORY_SPIN));
  });
}

TEST_F(OptionsDialogTest, DefaultsFillTheControlsButTouchNothing) {
  settings_.SaveTimeNum = 30;
  settings_.SaveTimeTani = zelk::settings::Seconds;
  settings_.History = 1;
  settings_.HistoryNum = 9;
  settings_.DefMode = zelk::settings::ZipArchive;
  settings_.OpenStart = true;
  settings_.StartBackup = true;
  settings_.EndBackup = false;
  settings_.LinkUnchanged = true;
  const zelk::settings::CSettings before = settings_;
  engine::SetArchiverFileName(zelk::settings::LzhArchive, "missing-lzh.dll");
  const INT_PTR result = Run([&](HWND d) {
    Command(d, IDC_OPT_DEFAULTS);
    EXPECT_EQ(Text(d, IDC_OPT_SAVE_PATH), zelk::settings::DefaultSavePath());
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "1");
    EXPECT_EQ(SelectedUnit(d), 0);
    EXPECT_EQ(SpinRange(d, IDC_OPT_INTERVAL_SPIN), std::make_pair(1, 24));
    EXPECT_TRUE(Checked(d, IDC_OPT_HISTORY_NONE));
    EXPECT_FALSE(Enabled(d, IDC_OPT_HISTORY_NUM));
    EXPECT_EQ(Text(d, IDC_OPT_HISTORY_NUM), "2");
    EXPECT_TRUE(Checked(d, IDC_OPT_FORMAT_PLAIN));
    EXPECT_FALSE(Checked(d, IDC_OPT_FORMAT_ZIP));
    EXPECT_FALSE(Checked(d, IDC_OPT_OPEN_START));
    EXPECT_FALSE(Checked(d, IDC_OPT_START_BACKUP));
    EXPECT_TRUE(Checked(d, IDC_OPT_END_BACKUP));
    EXPECT_FALSE(Checked(d, IDC_OPT_LINK_UNCHANGED));
    EXPECT_FALSE(Enabled(d, IDC_OPT_FORMAT_LZH)) << "stays disabled";
    Command(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(settings_.SavePath, before.SavePath);
  EXPECT_EQ(settings_.HistoryNum, 9);
  EXPECT_EQ(settings_.DefMode, zelk::settings::ZipArchive);
  EXPECT_TRUE(settings_.LinkUnchanged);
  EXPECT_FALSE(Exists(dir_ / "Zelk.ini"));
}

TEST_F(OptionsDialogTest, MissingLibrariesDisableTheirFormatsAndFallBackToPlain) {
  for (int stored : {zelk::settings::ZipArchive, zelk::settings::LzhArchive}) {
    settings_.DefMode = stored;
    engine::SetArchiverFileName(stored, "missing-archiver.dll");
    engine_.SetLastErrorText("earlier error");
    const INT_PTR result = Run([&](HWND d) {
      const int button = stored == zelk::settings::ZipArchive ? IDC_OPT_FORMAT_ZIP : IDC_OPT_FORMAT_LZH;
      const int other = stored == zelk::settings::ZipArchive ? IDC_OPT_FORMAT_LZH : IDC_OPT_FORMAT_ZIP;
      EXPECT_FALSE(Enabled(d, button)) << stored;
      EXPECT_FALSE(Checked(d, button)) << stored;
      EXPECT_TRUE(Enabled(d, other)) << stored;
      EXPECT_TRUE(Checked(d, IDC_OPT_FORMAT_PLAIN)) << stored;
      Command(d, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(settings_.DefMode, zelk::settings::PlainCopy) << stored;
    EXPECT_EQ(engine_.GetLastErrorText(), "earlier error");
    engine::SetArchiverFileName(stored, stored == 1 ? "fake_zip_v25.dll" : "fake_lzh_v100.dll");
  }
}

TEST_F(OptionsDialogTest, DroppedPathsPutTheFirstIntoTheFolderBox) {
  Run([&](HWND d) {
    HGLOBAL drop = MakeDrop({"C:\\Users\\一つ目", "C:\\two", "D:\\three.txt"});
    SendMessageA(GetDlgItem(d, IDC_OPT_SAVE_PATH), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(Text(d, IDC_OPT_SAVE_PATH), "C:\\Users\\一つ目");
  });
}

TEST_F(OptionsDialogTest, OkStoresTheEnteredValues) {
  const INT_PTR result = Run([&](HWND d) {
    SetText(d, IDC_OPT_SAVE_PATH, dir_ / "save\\");
    SelectUnit(d, 1);
    SetText(d, IDC_OPT_INTERVAL, "15");
    Click(d, IDC_OPT_FORMAT_ZIP);
    Click(d, IDC_OPT_OPEN_START);
    Click(d, IDC_OPT_START_BACKUP);
    Click(d, IDC_OPT_END_BACKUP);
    Click(d, IDC_OPT_LINK_UNCHANGED);
    Command(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(settings_.LinkUnchanged);
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
  EXPECT_EQ(settings_.SaveTimeNum, 15);
  EXPECT_EQ(settings_.SaveTimeTani, zelk::settings::Minutes);
  EXPECT_EQ(settings_.DefMode, zelk::settings::ZipArchive);
  EXPECT_TRUE(settings_.OpenStart);
  EXPECT_TRUE(settings_.StartBackup);
  EXPECT_FALSE(settings_.EndBackup);
}

TEST_F(OptionsDialogTest, OkCorrectsNumbersStillInTheirBoxes) {
  settings_.History = 1;
  const INT_PTR result = Run([&](HWND d) {
    // Enter pressed with the focus still in the boxes: nothing left them.
    SetText(d, IDC_OPT_INTERVAL, "0");
    SetText(d, IDC_OPT_HISTORY_NUM, "1");
    Command(d, IDOK);
    EXPECT_TRUE(IsWindowVisible(d)) << "the corrected count is shown first";
    EXPECT_EQ(Text(d, IDC_OPT_HISTORY_NUM), "2");
    EXPECT_EQ(Text(d, IDC_OPT_INTERVAL), "1");
    EXPECT_EQ(Boxes(), (std::vector<Box>{kCountTooSmall}));
    Command(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(settings_.SaveTimeNum, 1);
  EXPECT_EQ(settings_.HistoryNum, 2);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(OptionsDialogTest, DriveRootAndProgramFolderKeepTheDialogOpen) {
  const INT_PTR result = Run([&](HWND d) {
    SetText(d, IDC_OPT_SAVE_PATH, "C:\\");
    Command(d, IDOK);
    SetText(d, IDC_OPT_SAVE_PATH, dir_.path());
    Command(d, IDOK);
    EXPECT_TRUE(IsWindowVisible(d));
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], (Box{"ドライブのルートは指定できません", "制限", MB_OK}));
    EXPECT_EQ(boxes[1].caption, "制限");
    Command(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
}

TEST_F(OptionsDialogTest, ChangedFolderAnsweredNoShowsTheOldFolderAgain) {
  Run([&](HWND d) {
    SetText(d, IDC_OPT_SAVE_PATH, dir_ / "elsewhere");
    Answer(IDNO);
    Command(d, IDOK);
    EXPECT_TRUE(IsWindowVisible(d));
    EXPECT_EQ(Text(d, IDC_OPT_SAVE_PATH), dir_ / "save");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "保存先フォルダが変更されました");
  });
  EXPECT_FALSE(Exists(dir_ / "elsewhere"));
}

TEST_F(OptionsDialogTest, OkIsRefusedWhileACopyRuns) {
  const INT_PTR result = Run([&](HWND d) {
    busy_ = true;
    Command(d, IDOK);
    EXPECT_TRUE(IsWindowVisible(d));
    EXPECT_EQ(Boxes(), (std::vector<Box>{{"コピー中は設定を変更できません", "しばらくお待ちください", MB_OK}}));
    busy_ = false;
    Command(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(OptionsDialogTest, DefaultsThenOkConvertsToKeepNone) {
  settings_.History = 1;
  settings_.HistoryNum = 3;
  WriteFile(dir_ / "save\\03.07.06.10.00.00\\a.txt", "old");
  WriteFile(dir_ / "save\\03.07.06.11.00.00\\a.txt", "new");
  WriteFile(dir_ / "History.dat", (dir_ / "save\\03.07.06.10.00.00\r\n") +
                                     (dir_ / "save\\03.07.06.11.00.00\r\n"));
  const INT_PTR result = Run([&](HWND d) {
    Command(d, IDC_OPT_DEFAULTS);
    SetText(d, IDC_OPT_SAVE_PATH, dir_ / "save");  // only the history changes
    Command(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(Boxes().empty()) << "the defaults ask nothing";
  EXPECT_EQ(settings_.History, 0);
  EXPECT_EQ(ReadFile(dir_ / "save\\a.txt"), "new");
  EXPECT_FALSE(Exists(dir_ / "save\\03.07.06.10.00.00"));
  EXPECT_FALSE(Exists(dir_ / "save\\03.07.06.11.00.00"));
  EXPECT_EQ(ReadFile(dir_ / "History.dat"), "");
}

namespace {

// The folder picker the dialog owns, once it is shown.
HWND WaitForPicker(HWND dialog) {
  for (int i = 0; i < 500; ++i) {
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w != dialog && GetWindow(w, GW_OWNER) == dialog && IsWindowVisible(w)) return w;
    }
    Sleep(10);
  }
  return nullptr;
}

// The name of the entry selected in the picker's tree.
std::string SelectedInTree(HWND picker) {
  HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
  char name[MAX_PATH] = {};
  TVITEMA item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = name;
  item.cchTextMax = sizeof name;
  if (item.hItem != nullptr) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return name;
}

}  // namespace

TEST_F(OptionsDialogTest, BrowseStartsAtTheBoxFolderAndTakesTheChoice) {
  MakeDirs(dir_ / "picked");
  Run([&](HWND d) {
    SetText(d, IDC_OPT_SAVE_PATH, dir_ / "picked");
    // Wine's picker now and then opens before it can select the start
    // folder; such a picker is cancelled (which changes nothing) and the
    // button pressed again.
    for (int attempt = 0; attempt < 3; ++attempt) {
      PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_OPT_BROWSE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_OPT_BROWSE)));
      HWND picker = WaitForPicker(d);
      ASSERT_NE(picker, nullptr) << "no folder picker";
      bool started = false;
      for (int i = 0; i < 200 && !started; ++i) {
        Sleep(10);
        started = SelectedInTree(picker) == "picked";
      }
      PostMessageA(picker, WM_COMMAND, MAKEWPARAM(started ? IDOK : IDCANCEL, BN_CLICKED), 0);
      for (int i = 0; i < 250 && IsWindow(picker); ++i) Sleep(20);
      EXPECT_EQ(Text(d, IDC_OPT_SAVE_PATH), dir_ / "picked");
      if (started) return;
    }
    ADD_FAILURE() << "the picker never started at the box's folder";
  });
}

namespace {

const char kExcludeRefusedTail[] =
    "」は指定できません\nファイル名に使えない文字（: < > | など）や続けて二つの \\ は使えません";

// True when a control of the dialog shows exactly text.
bool HasStatic(HWND dialog, const std::string& text) {
  for (HWND w = GetWindow(dialog, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    char got[512] = {};
    GetWindowTextA(w, got, sizeof got);
    if (text == got) return true;
  }
  return false;
}

std::string IniValue(const std::string& ini, const char* key) {
  char value[1024] = {};
  GetPrivateProfileStringA("Option", key, "<missing>", value, sizeof value, ini.c_str());
  return value;
}

}  // namespace

TEST_F(OptionsDialogTest, RunSwitchesAndExclusionsShowTheirValuesAndDefaultToOff) {
  settings_.NotifyOnly = true;
  settings_.SkipUnchanged = false;
  settings_.Verify = true;
  settings_.Exclude = "~$*;Thumbs.db;obj\\";
  Run([&](HWND d) {
    EXPECT_EQ(Text(d, IDC_OPT_NOTIFY_ONLY), "定期バックアップの失敗は通知だけにする");
    EXPECT_EQ(Text(d, IDC_OPT_SKIP_UNCHANGED), "変更がなければ新しい世代を作らない");
    EXPECT_EQ(Text(d, IDC_OPT_VERIFY), "バックアップの後に読み戻して照合する");
    EXPECT_TRUE(HasStatic(d, "除外するファイル・フォルダ"));
    EXPECT_EQ(Text(d, IDC_OPT_EXCLUDE_NOTE).rfind("「;」で区切って並べます。", 0), 0u);
    EXPECT_TRUE(Checked(d, IDC_OPT_NOTIFY_ONLY));
    EXPECT_FALSE(Checked(d, IDC_OPT_SKIP_UNCHANGED));
    EXPECT_TRUE(Checked(d, IDC_OPT_VERIFY));
    EXPECT_EQ(Text(d, IDC_OPT_EXCLUDE), "~$*;Thumbs.db;obj\\");

    Command(d, IDC_OPT_DEFAULTS);
    for (int id : {IDC_OPT_NOTIFY_ONLY, IDC_OPT_SKIP_UNCHANGED, IDC_OPT_VERIFY}) {
      EXPECT_FALSE(Checked(d, id)) << id;
    }
    EXPECT_EQ(Text(d, IDC_OPT_EXCLUDE), "");
    Command(d, IDCANCEL);
  });
  EXPECT_TRUE(settings_.NotifyOnly);
  EXPECT_EQ(settings_.Exclude, "~$*;Thumbs.db;obj\\");
}

TEST_F(OptionsDialogTest, OkWritesTheRunSwitchesAndThePatternsAsTyped) {
  settings_.SkipUnchanged = true;
  const std::string typed = "~$*; Thumbs.db;desktop.ini;*.tmp;MyProject\\build\\;;";
  const INT_PTR result = Run([&](HWND d) {
    for (int id : {IDC_OPT_NOTIFY_ONLY, IDC_OPT_SKIP_UNCHANGED, IDC_OPT_VERIFY}) Click(d, id);
    SetText(d, IDC_OPT_EXCLUDE, typed);
    Command(d, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(Boxes().empty());
  const std::string ini = dir_ / "Zelk.ini";
  EXPECT_EQ(IniValue(ini, "NotifyOnly"), "1");
  EXPECT_EQ(IniValue(ini, "SkipUnchanged"), "0");
  EXPECT_EQ(IniValue(ini, "Verify"), "1");
  EXPECT_EQ(IniValue(ini, "Exclude"), typed);
  EXPECT_EQ(IniValue(ini, "SavePath"), dir_ / "save");
  EXPECT_TRUE(settings_.NotifyOnly && settings_.Verify && !settings_.SkipUnchanged);
}

TEST_F(OptionsDialogTest, APatternNoFileNameCanHoldIsRefusedAndNothingIsSaved) {
  const INT_PTR result = Run([&](HWND d) {
    SetText(d, IDC_OPT_INTERVAL, "5");
    for (const auto& [typed, named] : {std::pair{"a:b", "a:b"}, std::pair{"*.tmp; x\"y ", "x\"y"},
                                       std::pair{"<", "<"}, std::pair{"ok;y>", "y>"},
                                       std::pair{"a|b;*.tmp", "a|b"}, std::pair{"obj\\\\bin", "obj\\\\bin"}}) {
      ClearBoxes();
      SetText(d, IDC_OPT_EXCLUDE, typed);
      Command(d, IDOK);
      EXPECT_TRUE(IsWindowVisible(d)) << typed;
      EXPECT_EQ(Boxes(), (std::vector<Box>{{std::string("除外するファイル・フォルダの「") + named + kExcludeRefusedTail,
                                            "制限", MB_OK | MB_ICONEXCLAMATION}}))
          << typed;
    }
    Command(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(settings_.SaveTimeNum, 1);
  EXPECT_EQ(settings_.Exclude, "");
  EXPECT_FALSE(Exists(dir_ / "Zelk.ini"));
}

TEST_F(OptionsDialogTest, ALockedIniFileIsReportedBeforeAnythingChanges) {
  WriteFile(dir_ / "save\\old.txt", "old");
  const std::string before = "[Option]\r\nSaveTimeNum=1\r\n";
  WriteFile(dir_ / "Zelk.ini", before);
  {
    LockedFile lock(dir_ / "Zelk.ini");
    ASSERT_TRUE(lock.ok());
    const INT_PTR result = Run([&](HWND d) {
      SetText(d, IDC_OPT_SAVE_PATH, dir_ / "other");
      SetText(d, IDC_OPT_INTERVAL, "5");
      Command(d, IDOK);
      EXPECT_TRUE(IsWindowVisible(d));
      const auto boxes = Boxes();
      ASSERT_EQ(boxes.size(), 1u) << "no question about the old backups";
      const std::string start = "設定を" + (dir_ / "Zelk.ini") + "に保存できませんでした（";
      EXPECT_EQ(boxes[0].text.substr(0, start.size()), start) << boxes[0].text;
      EXPECT_GT(boxes[0].text.size(), start.size() + 2) << "the system's reason";
      EXPECT_EQ(boxes[0].caption, "Error");
      EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
      Command(d, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
  }
  EXPECT_EQ(ReadFile(dir_ / "Zelk.ini"), before);
  EXPECT_EQ(ReadFile(dir_ / "save\\old.txt"), "old");
  EXPECT_FALSE(Exists(dir_ / "other"));
  EXPECT_EQ(settings_.SaveTimeNum, 1);
  EXPECT_EQ(settings_.SavePath, dir_ / "save");
}

TEST_F(OptionsDialogTest, EnterInThePatternBoxPressesOk) {
  const INT_PTR result = Run([&](HWND d) {
    SetText(d, IDC_OPT_EXCLUDE, "*.tmp");
    Focus(d, IDC_OPT_EXCLUDE);
    HWND box = GetDlgItem(d, IDC_OPT_EXCLUDE);
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(box, WM_CHAR, '\r', 0x001C0001);
    PostMessageA(box, WM_KEYUP, VK_RETURN, 0xC01C0001);
    for (int i = 0; i < 200 && IsWindow(d); ++i) Sleep(10);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(settings_.Exclude, "*.tmp");
}

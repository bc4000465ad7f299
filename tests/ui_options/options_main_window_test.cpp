// The options dialog opened from the main window: OK writes the INI file,
// Cancel leaves it as it was.
#include "main_window_harness.h"
#include "res/resource.h"

using namespace zelk::testing;
using zelk::ui::CMainDlg;

namespace {

// The options dialog once it is up, found by its caption.
HWND WaitForOptions() {
  for (int i = 0; i < 500; ++i) {
    HWND dialog = FindWindowA("#32770", "オプション");
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    Sleep(10);
  }
  return nullptr;
}

void WaitGone(HWND window) {
  for (int i = 0; i < 500 && IsWindow(window); ++i) Sleep(10);
}

const char kIni[] =
    "[Option]\r\nSavePath=%s\r\nSaveTimeNum=3\r\nSaveTimeTani=1\r\nHistory=0\r\nHistoryNum=2\r\n"
    "OpenStart=0\r\nStartBackup=0\r\nEndBackup=1\r\nDefMode=0\r\n";

}  // namespace

TEST_F(MainWindowTest, OptionsCancelLeavesTheIniFileAsItWas) {
  MakeDirs(dir_ / "save");
  char ini[1024];
  wsprintfA(ini, kIni, (dir_ / "save").c_str());
  const std::string before = std::string(ini) + "; kept as written\r\n";
  WriteFile(dir_ / "Zelk.ini", before);
  Run([&](CMainDlg& w) {
    PostMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(ID_OPTIONS, 0), 0);
    HWND dialog = WaitForOptions();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), w.hwnd());
    // The main window is disabled right after the dialog has been created.
    for (int i = 0; i < 100 && IsWindowEnabled(w.hwnd()); ++i) Sleep(10);
    EXPECT_FALSE(IsWindowEnabled(w.hwnd())) << "modal to the main window";
    SendMessageA(GetDlgItem(dialog, IDC_OPT_INTERVAL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("9"));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitGone(dialog);
    OnUi(w, [&] { EXPECT_EQ(w.Settings().SaveTimeNum, 3); });
    Close(w);
  });
  EXPECT_EQ(ReadFile(dir_ / "Zelk.ini"), before);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(MainWindowTest, OptionsOkWritesEveryKey) {
  MakeDirs(dir_ / "save");
  char ini[1024];
  wsprintfA(ini, kIni, (dir_ / "save").c_str());
  WriteFile(dir_ / "Zelk.ini", ini);
  Run([&](CMainDlg& w) {
    PostMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(ID_OPTIONS, 0), 0);
    HWND dialog = WaitForOptions();
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, IDC_OPT_INTERVAL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("20"));
    SendMessageA(GetDlgItem(dialog, IDC_OPT_START_BACKUP), BM_CLICK, 0, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitGone(dialog);
    Settle(w);
    Close(w);
  });
  char value[512] = {};
  const std::string ini_path = dir_ / "Zelk.ini";
  auto read = [&](const char* key) {
    GetPrivateProfileStringA("Option", key, "<missing>", value, sizeof value, ini_path.c_str());
    return std::string(value);
  };
  EXPECT_EQ(read("SavePath"), dir_ / "save");
  EXPECT_EQ(read("SaveTimeNum"), "20");
  EXPECT_EQ(read("SaveTimeTani"), "1");
  EXPECT_EQ(read("History"), "0");
  EXPECT_EQ(read("HistoryNum"), "2");
  EXPECT_EQ(read("OpenStart"), "0");
  EXPECT_EQ(read("StartBackup"), "1");
  EXPECT_EQ(read("EndBackup"), "1");
  EXPECT_EQ(read("DefMode"), "0");
  EXPECT_EQ(read("LinkUnchanged"), "0") << "a missing key reads and is written as off";
  EXPECT_EQ(read("NotifyOnly"), "0");
  EXPECT_EQ(read("SkipUnchanged"), "0");
  EXPECT_EQ(read("Verify"), "0");
  EXPECT_EQ(read("Exclude"), "");
  EXPECT_TRUE(Boxes().empty());
}

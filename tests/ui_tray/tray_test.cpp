#include <windows.h>

#include <regex>

#include "tray_fixture.h"

using namespace zelk::testing;
using zelk::ui::CDialog;
using zelk::ui::CMainDlg;
using zelk::ui::TRAY_ICON_ID;
using zelk::ui::WM_TRAY_NOTIFY;

namespace {

const std::vector<std::string> kTrayMenuWhileRunning = {
    "一時停止(&T)", "今すぐBackup(&M)", "Backup先を開く(&O)", "バックアップのクリア(&C)",
    "設定変更(&S)", "",             "バージョン情報(&V)", "終了(&X)"};

// The window of the calling process's thread `thread` with this caption.
HWND FindThreadWindow(DWORD thread, const std::string& caption) {
  struct Search {
    std::string caption;
    HWND found;
  } search{caption, nullptr};
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        if (s->caption == text && IsWindowVisible(window)) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

TEST_F(TrayTest, StartPauseResumeAndRestoreShowTheStateInIconTipAndIniFile) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    OnUi(w, [&] {
      EXPECT_FALSE(IsWindowVisible(w.hwnd()));
      EXPECT_TRUE(w.Scheduler().IsInTray());
      EXPECT_TRUE(w.Scheduler().IsTimerArmed());
    });
    auto calls = TrayCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[0].size, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(calls[0].window, w.hwnd());
    EXPECT_EQ(calls[0].id, 123564u);
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[0].callback, 124678u);
    EXPECT_EQ(calls[0].icon, TrayIcon(IDI_TRAY_RUNNING));
    EXPECT_EQ(calls[0].tip, "動作中");
    EXPECT_EQ(StopKey(), "") << "Start does not write the stopped flag";

    // A middle-button press pauses.
    IconEvent(w, WM_MBUTTONDOWN);
    OnUi(w, [&] {
      EXPECT_TRUE(w.Scheduler().IsStopped());
      EXPECT_FALSE(w.Scheduler().IsTimerArmed());
    });
    calls = TrayCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].action, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[1].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[1].icon, TrayIcon(IDI_TRAY_STOPPED));
    EXPECT_EQ(calls[1].tip, "停止中");
    EXPECT_NE(TrayIcon(IDI_TRAY_STOPPED), TrayIcon(IDI_TRAY_RUNNING));
    EXPECT_EQ(StopKey(), "1");

    // Stopped, the menu's first item resumes.
    PickFromTrayMenu(w, ID_TRAY_TOGGLE_STOP);
    ASSERT_TRUE(WaitFor(w, [&] { return !w.Scheduler().IsStopped(); }));
    OnUi(w, [&] { EXPECT_TRUE(w.Scheduler().IsTimerArmed()); });
    ASSERT_EQ(Menus().size(), 1u);
    EXPECT_EQ(Menus()[0].items.at(0), "再開(&T)");
    calls = TrayCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].action, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[2].icon, TrayIcon(IDI_TRAY_RUNNING));
    EXPECT_EQ(calls[2].tip, "動作中");
    EXPECT_EQ(StopKey(), "0");

    // Running, the whole menu: eight entries, none grayed, checked or default.
    PickFromTrayMenu(w, 0);
    ASSERT_EQ(Menus().size(), 2u);
    const ShownMenu menu = Menus()[1];
    EXPECT_EQ(menu.items, kTrayMenuWhileRunning);
    for (std::size_t i = 0; i < menu.states.size(); ++i) {
      if (i != 5) {
        EXPECT_EQ(menu.states[i], 0u) << i;
      }
    }
    EXPECT_EQ(menu.states[5] & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(menu.flags, static_cast<UINT>(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON));
    OnUi(w, [&] { EXPECT_TRUE(w.Scheduler().IsTimerArmed()) << "a dismissed menu changes nothing"; });

    // A double-click brings the window back and kills the timer.
    IconEvent(w, WM_LBUTTONDBLCLK);
    OnUi(w, [&] {
      EXPECT_TRUE(IsWindowVisible(w.hwnd()));
      EXPECT_FALSE(IsIconic(w.hwnd()));
      EXPECT_FALSE(w.Scheduler().IsInTray());
      EXPECT_FALSE(w.Scheduler().IsTimerArmed());
      EXPECT_EQ(w.GetErrorText(), "");
    });
    calls = TrayCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].action, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(calls[3].window, w.hwnd());
    EXPECT_EQ(calls[3].id, 123564u);
    EXPECT_EQ(StopKey(), "0");
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TrayTest, TrayMenuCommandsWorkWhileTheWindowIsHidden) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);

    PickFromTrayMenu(w, ID_BACKUP_NOW);
    ASSERT_TRUE(WaitFor(w, [&] { return !Boxes().empty() && !w.IsBackupRunning(); }));
    EXPECT_EQ(Boxes().at(0).text, "バックアップが完了しました");
    EXPECT_EQ(ReadFile(dir_ / "save\\data\\a.txt"), "a");

    PickFromTrayMenu(w, ID_OPEN_SAVE_FOLDER);
    ASSERT_TRUE(WaitFor(w, [&] { return !ShellCalls().empty(); }));
    EXPECT_EQ(ShellCalls()[0], "explorer.exe \"" + (dir_ / "save") + "\"");

    Answer(IDYES);  // the question before anything is deleted
    PickFromTrayMenu(w, ID_CLEAR_BACKUPS);
    ASSERT_TRUE(WaitFor(w, [&] { return Boxes().size() == 3; }));
    EXPECT_EQ(Boxes()[2].text, "削除が完了しました");
    EXPECT_FALSE(Exists(dir_ / "save\\data"));

    OnUi(w, [&] {
      EXPECT_FALSE(IsWindowVisible(w.hwnd()));
      EXPECT_TRUE(w.Scheduler().IsTimerArmed());
    });

    PickFromTrayMenu(w, ID_TRAY_RESTORE);
    ASSERT_TRUE(WaitFor(w, [&] { return IsWindowVisible(w.hwnd()) != FALSE; }));
    OnUi(w, [&] { EXPECT_FALSE(w.Scheduler().IsTimerArmed()); });
    EXPECT_EQ(TrayCalls().back().action, static_cast<DWORD>(NIM_DELETE));
    Close(w);
  });
  EXPECT_EQ(Boxes().size(), 3u);
}

TEST_F(TrayTest, VersionDialogOpensFromTheTrayMenuBarAndSystemMenu) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    const DWORD uiThread = GetWindowThreadProcessId(w.hwnd(), nullptr);
    auto openAndClose = [&](const char* from) {
      HWND dialog = nullptr;
      for (int i = 0; i < 1000 && dialog == nullptr; ++i) {
        dialog = FindThreadWindow(uiThread, "バージョン情報 Zelk");
        if (dialog == nullptr) Sleep(10);
      }
      ASSERT_NE(dialog, nullptr) << from;
      EXPECT_EQ(GetWindow(dialog, GW_OWNER), w.hwnd()) << from;
      EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_VERSION_MODULES), LB_GETCOUNT, 0, 0), 3) << from;
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      for (int i = 0; i < 1000 && IsWindow(dialog); ++i) Sleep(10);
      EXPECT_FALSE(IsWindow(dialog)) << from;
    };

    PostMessageA(w.hwnd(), WM_COMMAND, ID_VERSION, 0);
    openAndClose("menu bar");
    PostMessageA(w.hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    openAndClose("system menu");

    Command(w, IDC_START);
    PickFromTrayMenu(w, ID_VERSION);
    openAndClose("tray menu");
    OnUi(w, [&] {
      EXPECT_FALSE(IsWindowVisible(w.hwnd())) << "the window stays in the tray";
      EXPECT_TRUE(w.Scheduler().IsInTray());
      EXPECT_TRUE(w.Scheduler().IsTimerArmed());
    });
    IconEvent(w, WM_LBUTTONDBLCLK);
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TrayTest, NewTaskbarPutsTheIconBackOnlyInTheTray) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Window mode: the window stays shown and no icon goes up.
    EXPECT_EQ(SendMessageA(w.hwnd(), taskbarCreated, 0, 0), 0);
    OnUi(w, [&] {
      EXPECT_TRUE(IsWindowVisible(w.hwnd()));
      EXPECT_FALSE(w.Scheduler().IsInTray());
      EXPECT_FALSE(w.Scheduler().IsTimerArmed());
    });
    EXPECT_TRUE(TrayCalls().empty());

    // In the tray, running: the icon comes back; the timer stays armed.
    Command(w, IDC_START);
    ASSERT_EQ(TrayCalls().size(), 1u);
    EXPECT_EQ(SendMessageA(w.hwnd(), taskbarCreated, 0, 0), 0);
    ASSERT_EQ(TrayCalls().size(), 2u);
    EXPECT_EQ(TrayCalls()[1].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(TrayCalls()[1].tip, "動作中");
    OnUi(w, [&] {
      EXPECT_FALSE(IsWindowVisible(w.hwnd()));
      EXPECT_TRUE(w.Scheduler().IsTimerArmed());
    });

    // In the tray, stopped: the icon comes back with the stopped tip.
    IconEvent(w, WM_MBUTTONDOWN);
    EXPECT_EQ(SendMessageA(w.hwnd(), taskbarCreated, 0, 0), 0);
    ASSERT_EQ(TrayCalls().size(), 4u);
    EXPECT_EQ(TrayCalls()[3].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(TrayCalls()[3].tip, "停止中");
    EXPECT_EQ(TrayCalls()[3].icon, TrayIcon(IDI_TRAY_STOPPED));

    // The shell posts its callbacks: a message number above 0xFFFF still
    // reaches the window.
    static_assert(WM_TRAY_NOTIFY > 0xFFFF);
    PostMessageA(w.hwnd(), WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor(w, [&] { return IsWindowVisible(w.hwnd()) != FALSE; }));
    OnUi(w, [&] { EXPECT_FALSE(w.Scheduler().IsTimerArmed()); });
    EXPECT_EQ(StopKey(), "1");
    Close(w);
  });
}

TEST_F(TrayTest, EndOfSessionTakesTheIconDown) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    ASSERT_EQ(TrayCalls().size(), 1u);
    SendMessageA(w.hwnd(), WM_ENDSESSION, TRUE, 0);
    ASSERT_EQ(TrayCalls().size(), 2u);
    EXPECT_EQ(TrayCalls()[1].action, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(TrayCalls()[1].id, TRAY_ICON_ID);
    Close(w);
  });
  EXPECT_EQ(TrayCalls().size(), 2u) << "the icon is taken down once";
}

TEST_F(TrayTest, EndingWhileStoppedTakesTheLastBackupAndStartsStoppedNextTime) {
  PrepareStart(/*endBackup=*/true);
  const INT_PTR result = Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    IconEvent(w, WM_MBUTTONDOWN);
    PickFromTrayMenu(w, ID_TRAY_EXIT);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(ReadFile(dir_ / "save\\data\\a.txt"), "a") << "the last backup at exit";
  ASSERT_FALSE(TrayCalls().empty());
  EXPECT_EQ(TrayCalls().back().action, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(StopKey(), "1");
  EXPECT_TRUE(Boxes().empty());

  // The next program starts stopped: Start puts up the stopped icon and
  // arms no timer.
  trayCalls_.clear();
  Run([&](CMainDlg& w) {
    OnUi(w, [&] { EXPECT_TRUE(w.Scheduler().IsStopped()); });
    Command(w, IDC_START);
    OnUi(w, [&] {
      EXPECT_TRUE(w.Scheduler().IsInTray());
      EXPECT_FALSE(w.Scheduler().IsTimerArmed());
    });
    ASSERT_EQ(TrayCalls().size(), 1u);
    // The run log tells the new program of the last backup at exit.
    EXPECT_TRUE(std::regex_match(TrayCalls()[0].tip, std::regex("停止中\n前回: \\d\\d/\\d\\d \\d\\d:\\d\\d 成功")))
        << TrayCalls()[0].tip;
    EXPECT_EQ(TrayCalls()[0].icon, TrayIcon(IDI_TRAY_STOPPED));
    PickFromTrayMenu(w, 0);
    EXPECT_EQ(Menus().back().items.at(0), "再開(&T)");
    IconEvent(w, WM_LBUTTONDBLCLK);
    Close(w);
  });
}

TEST_F(TrayTest, TrayFailuresLeaveTheirTextWithoutABox) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    zelk::ui::SetTrayNotifyHandler([](DWORD, const NOTIFYICONDATAA&) { return FALSE; });
    IconEvent(w, WM_LBUTTONDBLCLK);
    OnUi(w, [&] {
      EXPECT_TRUE(IsWindowVisible(w.hwnd())) << "the window comes back all the same";
      EXPECT_EQ(w.GetErrorText(), "タスクトレイIconの削除に失敗しました");
      EXPECT_TRUE(w.ShowTrayMenu(9999));
      EXPECT_EQ(w.GetErrorText(), "メニューの読み込みに失敗しました");
      EXPECT_FALSE(w.ShowTrayMenu(IDR_TRAY_MENU));
      EXPECT_EQ(w.GetErrorText(), "");
    });
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TrayTest, WhileAModalDialogIsOpenTheIconOnlyBringsItForwardAndTheExitClosesIt) {
  PrepareStart();
  const INT_PTR result = Run([&](CMainDlg& w) {
    const DWORD uiThread = GetWindowThreadProcessId(w.hwnd(), nullptr);
    Command(w, IDC_START);
    PickFromTrayMenu(w, ID_VERSION);
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && dialog == nullptr; ++i) {
      dialog = FindThreadWindow(uiThread, "バージョン情報 Zelk");
      if (dialog == nullptr) Sleep(10);
    }
    ASSERT_NE(dialog, nullptr);
    const std::size_t menusShown = Menus().size();

    // Right-click, middle button and double-click on the icon: no menu, no
    // pause, no window; a second version command opens no second dialog.
    ChooseFromMenu(ID_VERSION);
    IconEvent(w, WM_RBUTTONUP);
    IconEvent(w, WM_MBUTTONDOWN);
    IconEvent(w, WM_LBUTTONDBLCLK);
    PostMessageA(w.hwnd(), WM_COMMAND, ID_VERSION, 0);
    Settle(w);
    EXPECT_EQ(Menus().size(), menusShown);
    ChooseFromMenu(0);
    OnUi(w, [&] {
      EXPECT_FALSE(w.Scheduler().IsStopped());
      EXPECT_TRUE(w.Scheduler().IsInTray());
      EXPECT_FALSE(IsWindowVisible(w.hwnd()));
      EXPECT_EQ(CDialog::FindModalPopup(w.hwnd()), dialog);
    });
    int versionDialogs = 0;
    EnumThreadWindows(
        uiThread,
        [](HWND window, LPARAM count) -> BOOL {
          char text[64] = {};
          GetWindowTextA(window, text, sizeof text);
          if (std::string(text) == "バージョン情報 Zelk") ++*reinterpret_cast<int*>(count);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&versionDialogs));
    EXPECT_EQ(versionDialogs, 1);

    // The exit arrives through the dialog's loop and ends both loops.
    PostMessageA(w.hwnd(), WM_COMMAND, ID_TRAY_EXIT, 0);
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_FALSE(TrayCalls().empty());
  EXPECT_EQ(TrayCalls().back().action, static_cast<DWORD>(NIM_DELETE));
  EXPECT_NE(StopKey(), "1") << "the middle button paused nothing";
}

TEST_F(TrayTest, TheTipTellsTheLastRunsEndAndResult) {
  PrepareStart();
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    ASSERT_EQ(TrayCalls().at(0).tip, "動作中") << "no run yet";

    PickFromTrayMenu(w, ID_BACKUP_NOW);
    ASSERT_TRUE(WaitFor(w, [&] { return !Boxes().empty() && !w.IsBackupRunning(); }));
    const std::regex success("動作中\n前回: \\d\\d/\\d\\d \\d\\d:\\d\\d 成功");
    std::string tip = TrayCalls().back().tip;
    EXPECT_TRUE(std::regex_match(tip, success)) << tip;
    EXPECT_LT(tip.size(), 40u) << "the record holds 63 bytes";

    {
      LockedFile held(dir_ / "data\\a.txt");
      ASSERT_TRUE(held.ok());
      PickFromTrayMenu(w, ID_BACKUP_NOW);
      ASSERT_TRUE(WaitFor(w, [&] { return Boxes().size() == 2 && !w.IsBackupRunning(); }));
    }
    EXPECT_EQ(Boxes().at(1).text, "バックアップに失敗しました");
    tip = TrayCalls().back().tip;
    EXPECT_TRUE(std::regex_match(tip, std::regex("動作中\n前回: \\d\\d/\\d\\d \\d\\d:\\d\\d 失敗"))) << tip;

    // Pausing keeps the second line.
    IconEvent(w, WM_MBUTTONDOWN);
    EXPECT_EQ(TrayCalls().back().tip, "停止中" + tip.substr(std::string("動作中").size()));
    Close(w);
  });
}

TEST_F(TrayTest, AfterARestartTheTipTellsTheLastRunInTheLog) {
  PrepareStart();
  WriteFile(dir_ / "RunLog.txt",
            "2024/12/06 09:00:00\t定期\t無圧縮\t3つ残す\t成功\t2\t1\t1\tC:\\b\\24.12.06.09.00.00\r\n"
            "2024/12/07 15:29:58\t定期\tzip\t3つ残す\t失敗\t4\t0\t0\tC:\\b\\x.zip\t圧縮エラー\r\n"
            "a line of another making\r\n");
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    EXPECT_EQ(TrayCalls().at(0).tip, "動作中\n前回: 12/07 15:30 失敗");
    Close(w);
  });
}

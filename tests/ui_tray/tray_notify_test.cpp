// The tray after runs that did not succeed: a notification for each failed or
// partly failed timed run, the icon with its warning mark until a run ends
// well, and after a restart the icon the run log's last run calls for.
#include <windows.h>

#include "run_log_file.h"
#include "tray_fixture.h"
#include "ui/framework/message_box.h"

using namespace zelk::testing;
using zelk::ui::CMainDlg;

namespace {

class TrayNotify : public TrayTest {
 protected:
  // The icon of the last call that set one.
  HICON LastIcon() {
    HICON icon = nullptr;
    for (const TrayCall& call : TrayCalls()) {
      if (call.flags & NIF_ICON) icon = call.icon;
    }
    return icon;
  }
  std::vector<TrayCall> Balloons() {
    std::vector<TrayCall> balloons;
    for (const TrayCall& call : TrayCalls()) {
      if (call.flags & NIF_INFO) balloons.push_back(call);
    }
    return balloons;
  }
};

}  // namespace

TEST_F(TrayNotify, NotifyOnlyFailuresGiveBalloonsAndTheWarningIconUntilARunSucceeds) {
  PrepareStart();
  WritePrivateProfileStringA("Option", "SaveTimeTani", "2", Ini().c_str());  // one second
  WritePrivateProfileStringA("Option", "StartBackup", "1", Ini().c_str());
  WritePrivateProfileStringA("Option", "NotifyOnly", "1", Ini().c_str());
  WritePrivateProfileStringA("Option", "DefMode", "-1", Ini().c_str());  // every run fails
  Run([&](CMainDlg& w) {
    Command(w, IDC_START);
    ASSERT_TRUE(WaitFor(w, [&] { return Balloons().size() >= 3; }));
    for (const TrayCall& balloon : Balloons()) {
      EXPECT_EQ(balloon.action, static_cast<DWORD>(NIM_MODIFY));
      EXPECT_EQ(balloon.size, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
      EXPECT_EQ(balloon.window, w.hwnd());
      EXPECT_EQ(balloon.id, 123564u);
      EXPECT_EQ(balloon.flags, static_cast<UINT>(NIF_INFO));
      EXPECT_EQ(balloon.info, "バックアップに失敗しました\n保存形式の設定が正しくありません");
      EXPECT_EQ(balloon.infoTitle, zelk::ui::ApplicationName());
      EXPECT_EQ(balloon.infoFlags, static_cast<DWORD>(NIIF_ERROR));
    }
    EXPECT_EQ(LastIcon(), TrayIcon(IDI_TRAY_RUNNING_WARNING));

    // A click on the notification changes nothing.
    IconEvent(w, NIN_BALLOONUSERCLICK);
    OnUi(w, [&] {
      EXPECT_FALSE(IsWindowVisible(w.hwnd()));
      EXPECT_TRUE(w.Scheduler().IsInTray());
    });

    // Paused, the stopped icon keeps the mark.
    IconEvent(w, WM_MBUTTONDOWN);
    EXPECT_EQ(LastIcon(), TrayIcon(IDI_TRAY_STOPPED_WARNING));
    IconEvent(w, WM_MBUTTONDOWN);

    OnUi(w, [&] { w.Settings().DefMode = 0; });
    ASSERT_TRUE(WaitFor(w, [&] { return TrayCalls().back().tip.ends_with(" 成功"); }));
    EXPECT_EQ(LastIcon(), TrayIcon(IDI_TRAY_RUNNING));
    IconEvent(w, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor(w, [&] { return !w.IsBackupRunning(); }));
    Close(w);
  });
  EXPECT_TRUE(Boxes().empty()) << "no box ever opened";
  const auto lines = RunLogLines(dir_ / "RunLog.txt");
  ASSERT_GE(lines.size(), 4u);
  for (std::size_t n = 0; n < 3; ++n) EXPECT_EQ(lines[n].at(4), "失敗") << n;
}

TEST_F(TrayNotify, AfterARestartTheIconFollowsTheLastRunInTheLog) {
  struct Case {
    std::string lastLines;
    int icon;
  };
  const std::string head = "2024/12/07 15:29:58\t定期\t無圧縮\t3つ残す\t";
  const std::vector<Case> cases{
      {head + "成功\t4\t1\t1\tC:\\b\\g", IDI_TRAY_RUNNING},
      {head + "失敗\t4\t0\t0\tC:\\b\\g\tx", IDI_TRAY_RUNNING_WARNING},
      {head + "一部失敗\t4\t1\t1\tC:\\b\\g\tC:\\d\\a.db（x）\r\n\tC:\\d\\a.db\tx\t前回のコピーを保持",
       IDI_TRAY_RUNNING_WARNING},
      {head + "変更なし\t0\t0\t0\tC:\\b\\g", IDI_TRAY_RUNNING},
  };
  PrepareStart();
  for (const Case& c : cases) {
    WriteFile(dir_ / "RunLog.txt", head + "失敗\t1\t0\t0\t\tx\r\n" + c.lastLines + "\r\n");
    {
      std::lock_guard<std::mutex> guard(lock_);
      trayCalls_.clear();
    }
    Run([&](CMainDlg& w) {
      Command(w, IDC_START);
      EXPECT_EQ(TrayCalls().at(0).icon, TrayIcon(c.icon)) << c.lastLines;
      EXPECT_TRUE(TrayCalls().at(0).tip.starts_with("動作中\n前回: 12/07")) << TrayCalls().at(0).tip;
      IconEvent(w, WM_LBUTTONDBLCLK);
      Close(w);
    });
  }
}

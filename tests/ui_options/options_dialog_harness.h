// Runs the real options dialog modally on the test thread while a driver
// thread acts on its controls with messages; message boxes are recorded and
// answered by script.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/archiver_library.h"
#include "engine/backup_engine.h"
#include "res/resource.h"
#include "settings/profile.h"
#include "ui/framework/message_box.h"
#include "ui/options_dialog/options_dlg.h"
#include "fake_run_host.h"
#include "scripted_boxes.h"
#include "win_temp_dir.h"

namespace zelk::testing {

class OptionsDialogTest : public ::testing::Test, protected ScriptedBoxes {
 protected:
  OptionsDialogTest() : cwd_(dir_.path()), engine_(settings_, host_) {
    settings::SetIniPath(dir_ / "Zelk.ini");
    settings_.SetDefaults();
    settings_.SavePath = dir_ / "save";
    MakeDirs(settings_.SavePath);
    // Usable stand-in libraries unless a test points one at a missing file.
    engine::SetArchiverFileName(settings::ZipArchive, "fake_zip_v25.dll");
    engine::SetArchiverFileName(settings::LzhArchive, "fake_lzh_v100.dll");
  }
  ~OptionsDialogTest() override {
    engine::SetArchiverFileName(settings::ZipArchive, "ZIP32J.DLL");
    engine::SetArchiverFileName(settings::LzhArchive, "UNLHA32.DLL");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, settings::IniPath().c_str());
    settings::SetIniPath({});
  }

  // Runs the dialog until it ends; script runs on a driver thread once the
  // dialog is shown and gets its window. Answers the dialog's result.
  INT_PTR Run(const std::function<void(HWND)>& script) {
    ui::COptiondlg dialog(nullptr, settings_, engine_, [this] { return busy_; });
    std::thread driver([&] {
      HWND window = nullptr;
      for (int i = 0; i < 1000; ++i) {
        window = dialog.hwnd();
        if (window != nullptr && IsWindowVisible(window)) break;
        Sleep(10);
      }
      ASSERT_NE(window, nullptr);
      script(window);
      // End the dialog if the script left it open.
      if (IsWindow(window)) PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    const INT_PTR result = dialog.DoModal();
    driver.join();
    return result;
  }

  // Driver-side helpers.
  static std::string Text(HWND dialog, int id) {
    char text[1024] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
  }
  static void SetText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  static bool Checked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
  // A click as the user makes it: the button checks itself and notifies.
  static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  static void Command(HWND dialog, int id, WORD code = BN_CLICKED) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }
  // Moves the keyboard focus as the dialog manager does, so the control
  // that had it really loses it.
  static void Focus(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
  }
  static void SelectUnit(HWND dialog, int index) {
    SendMessageA(GetDlgItem(dialog, IDC_OPT_UNIT), CB_SETCURSEL, index, 0);
    Command(dialog, IDC_OPT_UNIT, CBN_SELCHANGE);
  }
  static int SelectedUnit(HWND dialog) {
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_OPT_UNIT), CB_GETCURSEL, 0, 0));
  }
  static std::pair<int, int> SpinRange(HWND dialog, int id) {
    int low = 0;
    int high = 0;
    SendMessageA(GetDlgItem(dialog, id), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    return {low, high};
  }


  TempDir dir_;
  CurrentDirectory cwd_;
  settings::CSettings settings_;
  FakeRunHost host_;
  engine::CBackupEngine engine_;
  bool busy_ = false;
};

}  // namespace zelk::testing

// Runs the real main window modally on the test thread while a driver thread
// acts on it: commands and keys go to the window as messages, checks run on
// the window's thread, and every message box is recorded and answered by
// script.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/profile.h"
#include "ui/framework/message_box.h"
#include "ui/framework/shell_open.h"
#include "ui/main_window/main_dlg.h"
#include "scripted_boxes.h"
#include "win_temp_dir.h"

namespace zelk::testing {

class MainWindowTest : public ::testing::Test, protected ScriptedBoxes {
 protected:
  MainWindowTest() : cwd_(dir_.path()) {
    settings::SetIniPath(dir_ / "Zelk.ini");
    ui::SetShellOpenHandler([this](HWND, const std::string& program, const std::string& params) {
      std::lock_guard<std::mutex> guard(lock_);
      shellCalls_.push_back(program + " " + params);
      return shellResult_;
    });
  }
  ~MainWindowTest() override {
    ui::SetShellOpenHandler({});
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, settings::IniPath().c_str());
    settings::SetIniPath({});
  }

  // Runs the main window until it ends; script runs on a driver thread once
  // the window is shown. Answers the dialog's result.
  INT_PTR Run(const std::function<void(ui::CMainDlg&)>& script) {
    ui::CMainDlg window;
    std::atomic<bool> done{false};
    std::thread driver([&] {
      for (int i = 0; i < 1000 && (window.hwnd() == nullptr || !IsWindowVisible(window.hwnd())); ++i) {
        Sleep(10);
      }
      if (window.hwnd() != nullptr) script(window);
      done = true;
    });
    const INT_PTR result = window.DoModal();
    driver.join();
    return result;
  }

  // Helpers for scripts (driver thread).
  static void OnUi(ui::CMainDlg& w, const std::function<void()>& fn) { w.RunOnUiThread(fn); }
  static void Command(ui::CMainDlg& w, WORD id) {
    SendMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
  static void Close(ui::CMainDlg& w) { PostMessageA(w.hwnd(), WM_CLOSE, 0, 0); }
  // Waits until the window has worked through every message posted before.
  static void Settle(ui::CMainDlg& w) { SendMessageA(w.hwnd(), WM_NULL, 0, 0); }

  std::vector<std::string> ShellCalls() {
    std::lock_guard<std::mutex> guard(lock_);
    return shellCalls_;
  }

  TempDir dir_;
  CurrentDirectory cwd_;
  std::mutex lock_;
  std::vector<std::string> shellCalls_;
  INT_PTR shellResult_ = 42;
};

}  // namespace zelk::testing

// The main window under test with its tray seen from outside: every call of
// the notification icon is recorded instead of reaching a shell, and popup
// menus are read and answered by script.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "main_window_harness.h"
#include "res/resource.h"
#include "ui/framework/popup_menu.h"
#include "ui/main_window/main_dlg.h"
#include "ui/main_window/tray_icon.h"

namespace zelk::testing {

// One Shell_NotifyIconA call as the shell would have seen it.
struct TrayCall {
  DWORD action;
  DWORD size;
  HWND window;
  UINT id;
  UINT flags;
  UINT callback;
  HICON icon;
  std::string tip;
  // A notification's (NIF_INFO) fields.
  std::string info;
  std::string infoTitle;
  DWORD infoFlags;
};

// One showing of a popup menu: the texts of its items ("" for a separator),
// their states, and the flags it was tracked with.
struct ShownMenu {
  std::vector<std::string> items;
  std::vector<UINT> states;
  UINT flags;
};

class TrayTest : public MainWindowTest {
 protected:
  TrayTest() {
    ui::SetTrayNotifyHandler([this](DWORD action, const NOTIFYICONDATAA& data) {
      std::lock_guard<std::mutex> guard(lock_);
      const bool info = (data.uFlags & NIF_INFO) != 0;
      trayCalls_.push_back({action, data.cbSize, data.hWnd, data.uID, data.uFlags, data.uCallbackMessage,
                            data.hIcon, data.szTip, info ? data.szInfo : "", info ? data.szInfoTitle : "",
                            info ? data.dwInfoFlags : 0});
      return TRUE;
    });
    ui::SetPopupMenuHandler([this](HMENU popup, HWND, POINT, UINT flags) {
      ShownMenu shown{{}, {}, flags};
      for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[128] = {};
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        shown.items.emplace_back(text);
        shown.states.push_back(GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION));
      }
      std::lock_guard<std::mutex> guard(lock_);
      menus_.push_back(shown);
      const UINT choice = menuChoice_;
      menuChoice_ = 0;
      return choice;
    });
  }
  ~TrayTest() override {
    ui::SetTrayNotifyHandler({});
    ui::SetPopupMenuHandler({});
  }

  // A target folder with one file, a save folder, an interval of an hour
  // (no tick comes during a test) and the given exit backup option.
  void PrepareStart(bool endBackup = false) {
    WriteFile(dir_ / "data\\a.txt", "a");
    WriteFile(dir_ / "FileList.dat", "3;" + (dir_ / "data") + ";;\r\n");
    WritePrivateProfileStringA("Option", "SavePath", (dir_ / "save").c_str(), Ini().c_str());
    WritePrivateProfileStringA("Option", "SaveTimeNum", "1", Ini().c_str());
    WritePrivateProfileStringA("Option", "SaveTimeTani", "0", Ini().c_str());
    WritePrivateProfileStringA("Option", "EndBackup", endBackup ? "1" : "0", Ini().c_str());
  }

  std::string Ini() const { return dir_ / "Zelk.ini"; }
  // "Main"/"Stop" as written in the INI file, "" when missing.
  std::string StopKey() const {
    char value[16] = {};
    GetPrivateProfileStringA("Main", "Stop", "", value, sizeof value, Ini().c_str());
    return value;
  }

  std::vector<TrayCall> TrayCalls() {
    std::lock_guard<std::mutex> guard(lock_);
    return trayCalls_;
  }
  std::vector<ShownMenu> Menus() {
    std::lock_guard<std::mutex> guard(lock_);
    return menus_;
  }
  // The command the next popup menu answers with (0: dismissed).
  void ChooseFromMenu(UINT command) {
    std::lock_guard<std::mutex> guard(lock_);
    menuChoice_ = command;
  }

  // The shell telling the window about a mouse event over the icon.
  static void IconEvent(ui::CMainDlg& w, UINT mouseEvent) {
    SendMessageA(w.hwnd(), ui::WM_TRAY_NOTIFY, ui::TRAY_ICON_ID, mouseEvent);
  }
  // A right-click on the icon that picks `command` from the tray menu; the
  // command arrives as a posted WM_COMMAND, so the caller waits for its
  // effect.
  void PickFromTrayMenu(ui::CMainDlg& w, UINT command) {
    ChooseFromMenu(command);
    IconEvent(w, WM_RBUTTONUP);
  }

  // Polls a check on the window's thread until it holds (10 s at most).
  static bool WaitFor(ui::CMainDlg& w, const std::function<bool()>& check) {
    for (int i = 0; i < 1000; ++i) {
      bool done = false;
      OnUi(w, [&] { done = check(); });
      if (done) return true;
      Sleep(10);
    }
    return false;
  }

  static HICON TrayIcon(int id) { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

  std::vector<TrayCall> trayCalls_;
  std::vector<ShownMenu> menus_;
  UINT menuChoice_ = 0;
};

}  // namespace zelk::testing

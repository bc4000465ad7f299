// Zelk.exe at the screen resolutions of 100 %, 150 % and 200 %: the main
// window makes room for its menu bar however many lines it takes, so the
// whole list stays visible below it.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "res/resource.h"
#include "win_temp_dir.h"
#include "zelk_process.h"

using namespace zelk::testing;

namespace {

// The screen resolution new processes start with (Wine reads it at start),
// set for the life of the object and put back afterwards.
class ScreenDpi {
 public:
  explicit ScreenDpi(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD old = 0;
    DWORD size = sizeof old;
    DWORD type = 0;
    if (RegQueryValueExA(key_, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      old_ = old;
    }
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~ScreenDpi() {
    if (key_ == nullptr) return;
    if (old_) {
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*old_), sizeof *old_);
    } else {
      RegDeleteValueA(key_, "LogPixels");
    }
    RegCloseKey(key_);
  }
  ScreenDpi(const ScreenDpi&) = delete;
  ScreenDpi& operator=(const ScreenDpi&) = delete;

 private:
  HKEY key_ = nullptr;
  std::optional<DWORD> old_;
};

struct Layout {
  RECT client{};  // the main window's client area
  RECT list{};    // the list view, in the main window's client coordinates
};

Layout MeasureAt(DWORD dpi) {
  ScreenDpi screen(dpi);
  TempDir dir;
  WriteFile(dir / "FileList.dat", "3;C:\\Data;daily;\r\n");
  Process zelk;
  Start(zelk, BinFolder() + "\\Zelk.exe", dir.path());
  Layout layout;
  HWND window = WaitForWindow(zelk.info.dwProcessId, "#32770");
  EXPECT_NE(window, nullptr) << dpi;
  if (window == nullptr) return layout;
  GetClientRect(window, &layout.client);
  GetWindowRect(GetDlgItem(window, IDC_LIST_TARGET), &layout.list);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&layout.list), 2);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(zelk.info.hProcess, 20000), WAIT_OBJECT_0);
  return layout;
}

TEST(HighDpi, TheWholeListIsVisibleBelowTheMenuBar) {
  const Layout normal = MeasureAt(96);
  const Layout large = MeasureAt(144);
  // The resolution took effect: the window grew with its font (and at
  // 150 % its menu bar takes two lines).
  EXPECT_GT(large.client.bottom * 10, normal.client.bottom * 13);
  // The client area begins below the menu bar: the list lies wholly in it.
  for (const Layout& layout : {normal, large}) {
    EXPECT_GT(layout.list.top, 0);
    EXPECT_LE(layout.list.bottom, layout.client.bottom);
    EXPECT_LE(layout.list.right, layout.client.right);
  }
}

}  // namespace

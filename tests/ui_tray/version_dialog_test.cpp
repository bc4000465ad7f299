#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/archiver_library.h"
#include "res/resource.h"
#include "ui/version_dialog/version_dlg.h"

namespace {

using zelk::engine::SetArchiverFileName;
using zelk::ui::CVersionDlg;

std::string Text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<std::string> ListLines(HWND list) {
  std::vector<std::string> lines;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    std::vector<char> buffer(static_cast<std::size_t>(length < 0 ? 0 : length) + 1);
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
    lines.emplace_back(buffer.data());
  }
  return lines;
}

// The zip and lzh libraries the dialog probes: stand-ins beside the test, or
// names that do not exist.
class VersionDialogTest : public ::testing::Test {
 protected:
  ~VersionDialogTest() override {
    SetArchiverFileName(1, "ZIP32J.DLL");
    SetArchiverFileName(2, "UNLHA32.DLL");
  }

  void UseLibraries(const char* zip, const char* lzh) {
    SetArchiverFileName(1, zip);
    SetArchiverFileName(2, lzh);
  }

  // Runs the dialog on this thread; `look` runs on another thread once the
  // dialog is shown, then OK closes it. Answers the dialog's result.
  INT_PTR Show(const std::function<void(HWND dialog)>& look) {
    CVersionDlg dialog(nullptr);
    std::thread driver([&] {
      for (int i = 0; i < 1000 && (dialog.hwnd() == nullptr || !IsWindowVisible(dialog.hwnd())); ++i) {
        Sleep(10);
      }
      HWND window = dialog.hwnd();
      if (window == nullptr) return;
      look(window);
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    });
    const INT_PTR result = dialog.DoModal();
    driver.join();
    return result;
  }

  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    Show([&](HWND dialog) { lines = ListLines(GetDlgItem(dialog, IDC_VERSION_MODULES)); });
    return lines;
  }
};

const std::string kHeader = "          ◆依存モジュール情報◆";

TEST_F(VersionDialogTest, ShowsNameVersionIconAndBothLibrariesWithTheirVersions) {
  UseLibraries("tray_fake_zip_v150.dll", "tray_fake_lzh_v100.dll");
  std::vector<std::string> lines;
  const INT_PTR result = Show([&](HWND dialog) {
    EXPECT_EQ(Text(dialog), "バージョン情報 Zelk");
    bool versionText = false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      versionText = versionText || Text(child) == "Zelk Version 1.6.0.1";
      if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        EXPECT_NE(SendMessageA(child, STM_GETICON, 0, 0), 0) << "the program icon";
      }
    }
    EXPECT_TRUE(versionText);
    EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);

    HWND list = GetDlgItem(dialog, IDC_VERSION_MODULES);
    lines = ListLines(list);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LBS_SORT, 0) << "the lines keep their order";
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "ゴシック");
    HDC dc = GetDC(list);
    EXPECT_EQ(font.lfHeight, -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72));
    ReleaseDC(list, dc);

    // F1 opens nothing and leaves the dialog open.
    HELPINFO help{};
    help.cbSize = sizeof help;
    SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    EXPECT_TRUE(IsWindowVisible(dialog));
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1], "ZIP圧縮  ZIP32J.DLL   v1.50   Zelk 独自の実装 (deflate: zlib)");
  EXPECT_EQ(lines[2], "LZH圧縮  UNLHA32.DLL  v1.00   Zelk 独自の実装 (-lh5-)");
  EXPECT_EQ(lines[1].find(" v"), lines[2].find(" v")) << "the versions start in one column";
}

TEST_F(VersionDialogTest, MissingLibrariesAreNotInstalled) {
  UseLibraries("tray_no_such_zip.dll", "tray_no_such_lzh.dll");
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[1], "ZIP圧縮  ZIP32J.DLL          未導入");
  EXPECT_EQ(lines[2], "LZH圧縮  UNLHA32.DLL         未導入");
  EXPECT_EQ(lines[1].find("未導入"), lines[2].find("未導入"));
}

TEST_F(VersionDialogTest, VersionAlwaysHasTwoDecimals) {
  UseLibraries("tray_fake_zip_v5.dll", "tray_no_such_lzh.dll");
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "ZIP圧縮  ZIP32J.DLL   v0.05   Zelk 独自の実装 (deflate: zlib)");
  EXPECT_EQ(lines[2], "LZH圧縮  UNLHA32.DLL         未導入");
  // A library without the version entry point is not the archiver.
  UseLibraries("tray_fake_zip_v5.dll", "tray_fake_zip_v150.dll");
  EXPECT_EQ(Lines().at(2), "LZH圧縮  UNLHA32.DLL         未導入");
}

}  // namespace

#include "ui/version_dialog/version_dlg.h"

#include <cstdio>

#include "engine/archiver_library.h"
#include "res/resource.h"
#include "ui/framework/resource_text.h"

namespace zelk::ui {
namespace {

struct ModuleKind {
  unsigned label;         // string resource
  unsigned libraryName;   // string resource
  unsigned credit;        // string resource
  const char* beforeVersion;
  const char* beforeNotInstalled;
};

// The zip library's name is one character shorter than the lzh library's;
// one more space keeps the columns.
constexpr ModuleKind kKinds[] = {
    {IDS_VERSION_ZIP_KIND, IDS_ZIP_DLL, IDS_ZIP_CREDIT, "   v", "          "},
    {IDS_VERSION_LZH_KIND, IDS_LZH_DLL, IDS_LZH_CREDIT, "  v", "         "},
};

// The list's font: IDS_VERSION_FONT (Gothic) at 9 points for the screen. Fixed pitch asks
// the font mapper for a monospaced Gothic where that face is not installed,
// so the columns line up.
HFONT CreateListFont(HWND window) {
  HDC dc = GetDC(window);
  const int pixelsPerInch = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc != nullptr) ReleaseDC(window, dc);
  LOGFONTA font{};
  font.lfHeight = -MulDiv(90, pixelsPerInch, 720);
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynA(font.lfFaceName, LoadResourceString(IDS_VERSION_FONT).c_str(), LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

}  // namespace

CVersionDlg::CVersionDlg(HWND owner) : CDialog(IDD_VERSION, owner) { Bind(modules_, IDC_VERSION_MODULES); }

CVersionDlg::~CVersionDlg() {
  if (listFont_ != nullptr) DeleteObject(listFont_);
}

std::string CVersionDlg::ModuleLine(int kind, bool installed, int version) {
  const ModuleKind& k = kKinds[kind == 2 ? 1 : 0];
  std::string line = LoadResourceString(k.label) + "  " + LoadResourceString(k.libraryName);
  if (!installed) return line + k.beforeNotInstalled + LoadResourceString(IDS_VERSION_NOT_INSTALLED);
  char number[32];
  std::snprintf(number, sizeof number, "%1.2f", version * 0.01);
  return line + k.beforeVersion + number + "   " + LoadResourceString(k.credit);
}

BOOL CVersionDlg::OnInitDialog() {
  listFont_ = CreateListFont(hwnd());
  if (listFont_ != nullptr) {
    SendMessageA(modules_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), TRUE);
  }
  auto append = [this](const std::string& line) {
    SendMessageA(modules_.hwnd(), LB_INSERTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(line.c_str()));
  };
  append(LoadResourceString(IDS_VERSION_HEADER));
  for (int kind : {1, 2}) {
    // Each probe loads the library and frees it at once. A library without
    // a version entry point is not an archiver of that kind.
    const int version = engine::IsArchiverInstalled(kind) ? engine::GetArchiverVersion(kind) : -1;
    append(ModuleLine(kind, version >= 0, version));
  }
  return TRUE;
}

INT_PTR CVersionDlg::OnMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  if (message == WM_HELP) {
    handled = true;
    SetMessageResult(TRUE);  // F1 opens no help
    return TRUE;
  }
  handled = false;
  return FALSE;
}

}  // namespace zelk::ui

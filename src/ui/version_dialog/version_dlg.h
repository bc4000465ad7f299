// CVersionDlg: the program's name and version, and which archiver libraries
// are installed, with their versions. Modal; it changes nothing.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/control.h"
#include "ui/framework/dialog.h"

namespace zelk::ui {

class CVersionDlg : public CDialog {
 public:
  // owner: the main window, also while it is hidden in the tray.
  explicit CVersionDlg(HWND owner);
  ~CVersionDlg() override;

  // One line of the dependency list for archiver kind 1 (zip) or 2 (lzh):
  // label, library name and either "v" with the version (version number
  // / 100, two decimals) and the credit line, or "未導入". The spacing puts
  // the "v" and "未導入" of both kinds in one column.
  static std::string ModuleLine(int kind, bool installed, int version);

 protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  CControl modules_;
  HFONT listFont_ = nullptr;
};

}  // namespace zelk::ui

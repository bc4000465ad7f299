// CComentDlg: the small modal dialog "コメントの編集" in which the user edits
// the comment of one target. The text goes into the edit field when the
// dialog opens and comes back from it, as typed, when the user confirms. OK
// refuses a ';' or a line break with a box that says why.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/dialog.h"

namespace zelk::ui {

class CComentDlg : public CDialog {
 public:
  // `owner` is disabled while the dialog is open; the dialog is centred on it.
  explicit CComentDlg(std::string comment, HWND owner = nullptr);

  // The comment: as given, or as typed once DoModal has answered IDOK.
  const std::string& Comment() const { return comment_; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  std::string comment_;
  HWND owner_;
};

}  // namespace zelk::ui

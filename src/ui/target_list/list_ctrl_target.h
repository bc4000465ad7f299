// CListCtrl_Target: the main window's report-style list view showing the
// target rows. The rows live in the CTargetList model; this control mirrors
// every change of the model into the list view (the model's change hook) and
// the user's selection back into the model.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "targets/target_list.h"
#include "ui/framework/control.h"

namespace zelk::ui {

class CListCtrl_Target : public CControl, public targets::CTargetList {
 public:
  CListCtrl_Target();
  ~CListCtrl_Target() override;

  // Sets up the icons and the two columns, then loads the list file.
  // True on failure.
  bool InitList(const std::string& listFilePath);

  // Lets the user pick a file or folder with the shell's browse dialog and
  // appends it. True on failure, with the reason in the last-error text.
  bool AddFromBrowser(HWND owner);
  // Edits the comment of the first selected row.
  void EditSelectedComment(HWND owner);

  // The row under a point in client coordinates, or -1.
  int RowAt(POINT clientPoint) const;

  bool OnReflectedNotify(NMHDR& header, LRESULT& result) override;

 private:
  void OnRowChange(const targets::RowChange& change);
  void InsertItem(std::size_t index);
  void UpdateItem(std::size_t index);
  void Refill();

  HIMAGELIST images_ = nullptr;
  bool mirroring_ = false;  // the view is being changed from the model
};

}  // namespace zelk::ui

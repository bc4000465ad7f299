// CListCtrl_Target: the main window's report-style list view showing the
// target rows. It holds the CTargetList model, mirrors every change of the
// model into the list view (the model's change hook) and the user's
// selection back into the model. It handles its own gestures: files dropped
// from the shell, header clicks, the Delete key, a double-click and the
// context menu.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "targets/target_list.h"
#include "targets/target_sort.h"
#include "ui/framework/control.h"

namespace zelk::ui {

class CListCtrl_Target : public CControl {
 public:
  CListCtrl_Target();
  ~CListCtrl_Target() override;

  // The model: the rows, the list file and the list's last-error text.
  targets::CTargetList& Model() { return model_; }
  targets::TargetRows& Rows() { return model_.Rows(); }
  const targets::TargetRows& Rows() const { return model_.Rows(); }
  const std::string& GetLastErrorText() const { return model_.GetLastErrorText(); }

  // Sets up the icons and the two columns, then sets the list file and loads
  // it. A failed load is shown in a box captioned "Error"; true on failure.
  bool InitList(const std::string& listFilePath);

  // Lets the user pick a file or folder with the shell's browse dialog and
  // appends it. Cancelling changes nothing. True on failure, with the reason
  // in the last-error text (a picked drive root is refused).
  bool AddFromBrowser(HWND owner);
  // Edits the comment of the first selected row in the comment dialog; OK
  // stores the text as typed on that same row, even if other rows come or go
  // meanwhile, and drops it when that row has been removed.
  void EditSelectedComment(HWND owner);

  // A click on the header of `column`: sorts the rows and writes the sort
  // state to "List_Target" ("Turn", "SubItem").
  void SortByColumn(int column);
  const targets::TargetSortState& SortState() const { return sortState_; }

  // The row under a point in client coordinates, or -1.
  int RowAt(POINT clientPoint) const;

  // A double-click at a point in client coordinates reverses the mark of
  // the row there (while any row is selected).
  void OnDoubleClick(POINT clientPoint);
  // A right click or the context-menu key: the row menu when rows are
  // selected, otherwise the list's menu (its entries greyed while the list
  // is empty), at a point on the screen; its commands go to the parent
  // window.
  void OnContextMenu(POINT screenPoint);
  // Where WM_CONTEXTMENU's menu goes: its point, or for the keyboard
  // (lParam -1) below the selected row.
  POINT ContextMenuPoint(LPARAM lParam) const;

  bool OnReflectedNotify(NMHDR& header, LRESULT& result) override;

 protected:
  void OnAttach() override;

 private:
  static LRESULT CALLBACK ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR subclassId, DWORD_PTR refData);
  void OnDropFiles(HDROP drop);

  void OnRowChange(const targets::RowChange& change);
  void TrackEditedRow(const targets::RowChange& change);
  void UpdateItem(std::size_t index);
  void Refill();
  // Text and icon of a row for the view, which keeps none of its own.
  void FillDisplayInfo(LVITEMA& item) const;

  targets::CTargetList model_;
  HIMAGELIST images_ = nullptr;
  bool subclassed_ = false;
  bool mirroring_ = false;  // the view is being changed from the model
  targets::TargetSortState sortState_;
  // While the comment dialog is open: the index of the row being edited,
  // kept current as rows come and go; empty once that row is gone.
  std::optional<std::size_t> editedRow_;
  bool editingComment_ = false;
};

}  // namespace zelk::ui

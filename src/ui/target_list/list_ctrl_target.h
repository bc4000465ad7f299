// CListCtrl_Target: the main window's report-style list view showing the
// target rows. The rows live in the CTargetList model; this control mirrors
// every change of the model into the list view (the model's change hook) and
// the user's selection back into the model. It handles its own gestures:
// files dropped from the shell, header clicks and the Delete key.
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

class CListCtrl_Target : public CControl, public targets::CTargetList {
 public:
  // Texts left in the last-error text by AddFromBrowser.
  static constexpr const char* kNoFileSystemPath = "例外エラー:1";
  static constexpr const char* kAddFailed = "アイテムの追加に失敗しました";
  static constexpr const char* kDriveRootRefused =
      "ドライブのルートはバックアップ対象にできません。\nドライブ内のフォルダを選んでください。";
  // A dropped or picked path with characters the ANSI code page cannot hold
  // cannot be kept in FileList.dat; the box shows the path first.
  static constexpr const char* kUnrepresentablePathRefused =
      "パスに日本語の文字コード(Shift-JIS)で表せない文字が含まれているため、バックアップ対象にできません。\n"
      "この項目を含むフォルダを選んでください(中の項目は名前のままバックアップされます)。";

  CListCtrl_Target();
  ~CListCtrl_Target() override;

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

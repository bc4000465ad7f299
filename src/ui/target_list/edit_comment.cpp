// Editing a row's comment in the comment dialog. While the dialog is open the
// user-interface thread still serves the backup worker, which may remove
// missing rows; the edited row is followed through such changes so that the
// comment lands on it and on no other.
#include "ui/comment_dialog/coment_dlg.h"
#include "ui/target_list/list_ctrl_target.h"

namespace zelk::ui {

using targets::RowChange;

void CListCtrl_Target::TrackEditedRow(const RowChange& change) {
  if (!editedRow_) return;
  std::size_t& row = *editedRow_;
  switch (change.kind) {
    case RowChange::Kind::Inserted:
      if (change.index <= row) ++row;
      break;
    case RowChange::Kind::Removed:
      if (change.index == row) {
        editedRow_.reset();
      } else if (change.index < row) {
        --row;
      }
      break;
    case RowChange::Kind::Updated:
      break;
    case RowChange::Kind::Reset:
      // Emptied or reordered: the row cannot be told apart any more.
      editedRow_.reset();
      break;
  }
}

void CListCtrl_Target::EditSelectedComment(HWND owner) {
  if (editingComment_) return;  // one edit at a time
  std::optional<std::size_t> first;
  for (std::size_t i = 0; i < Rows().size(); ++i) {
    if (Rows().IsSelected(i)) {
      first = i;
      break;
    }
  }
  if (!first) return;

  editedRow_ = first;
  editingComment_ = true;
  CComentDlg dialog(Rows()[*first].entry.comment, owner);
  const INT_PTR result = dialog.DoModal();
  const std::optional<std::size_t> row = editedRow_;
  editedRow_.reset();
  editingComment_ = false;
  if (result == IDOK && row) Rows().SetComment(*row, dialog.Comment());
}

}  // namespace zelk::ui

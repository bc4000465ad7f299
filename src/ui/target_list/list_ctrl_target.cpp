#include "ui/target_list/list_ctrl_target.h"

#include "res/resource.h"

namespace zelk::ui {

using targets::RowChange;

CListCtrl_Target::CListCtrl_Target() {
  Rows().SetChangeHook([this](const RowChange& change) { OnRowChange(change); });
}

CListCtrl_Target::~CListCtrl_Target() {
  Rows().SetChangeHook({});
  if (images_ != nullptr) ImageList_Destroy(images_);
}

bool CListCtrl_Target::InitList(const std::string& listFilePath) {
  if (hwnd() != nullptr) {
    images_ = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LIST_STATES), 16,
                                   16, RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (images_ != nullptr) ListView_SetImageList(hwnd(), images_, LVSIL_SMALL);

    RECT client{};
    GetClientRect(hwnd(), &client);
    const int width = client.right - client.left;
    char pathHeader[] = "バックアップ対象";
    char commentHeader[] = "コメント";
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = pathHeader;
    column.cx = (width / 10) * 7;
    column.iSubItem = 0;
    SendMessageA(hwnd(), LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.pszText = commentHeader;
    column.cx = (width / 10) * 3;
    column.iSubItem = 1;
    SendMessageA(hwnd(), LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
  }
  SetListFilePath(listFilePath);
  return LoadList();
}

int CListCtrl_Target::RowAt(POINT clientPoint) const {
  LVHITTESTINFO hit{};
  hit.pt = clientPoint;
  return static_cast<int>(SendMessageA(hwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void CListCtrl_Target::InsertItem(std::size_t index) {
  const targets::TargetRow& row = Rows()[index];
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = static_cast<int>(index);
  item.pszText = const_cast<char*>(row.entry.path.c_str());
  item.iImage = row.entry.mark;
  SendMessageA(hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  UpdateItem(index);
}

void CListCtrl_Target::UpdateItem(std::size_t index) {
  const targets::TargetRow& row = Rows()[index];
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
  item.iItem = static_cast<int>(index);
  item.pszText = const_cast<char*>(row.entry.path.c_str());
  // A mark outside 0..3 has no icon of its own.
  item.iImage = (row.entry.mark >= 0 && row.entry.mark <= 3) ? row.entry.mark : I_IMAGENONE;
  item.stateMask = LVIS_SELECTED;
  item.state = row.selected ? LVIS_SELECTED : 0;
  SendMessageA(hwnd(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  LVITEMA comment{};
  comment.mask = LVIF_TEXT;
  comment.iItem = static_cast<int>(index);
  comment.iSubItem = 1;
  comment.pszText = const_cast<char*>(row.entry.comment.c_str());
  SendMessageA(hwnd(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&comment));
}

void CListCtrl_Target::Refill() {
  SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < Rows().size(); ++i) InsertItem(i);
}

void CListCtrl_Target::OnRowChange(const RowChange& change) {
  if (hwnd() == nullptr) return;
  mirroring_ = true;
  switch (change.kind) {
    case RowChange::Kind::Inserted:
      InsertItem(change.index);
      break;
    case RowChange::Kind::Removed:
      SendMessageA(hwnd(), LVM_DELETEITEM, change.index, 0);
      break;
    case RowChange::Kind::Updated:
      UpdateItem(change.index);
      break;
    case RowChange::Kind::Reset:
      Refill();
      break;
  }
  mirroring_ = false;
}

bool CListCtrl_Target::OnReflectedNotify(NMHDR& header, LRESULT& result) {
  if (header.code == LVN_ITEMCHANGED && !mirroring_) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (change.uChanged & LVIF_STATE) {
      const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
      if (change.iItem < 0) {
        // A change of every item at once (select all / none).
        for (std::size_t i = 0; i < Rows().size(); ++i) Rows().SetSelected(i, selected);
      } else {
        Rows().SetSelected(static_cast<std::size_t>(change.iItem), selected);
      }
    }
    result = 0;
    return true;
  }
  return false;
}

}  // namespace zelk::ui

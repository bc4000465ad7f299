#include "ui/target_list/list_ctrl_target.h"

#include "engine/exception_reason.h"
#include "res/resource.h"
#include "ui/framework/message_box.h"

namespace zelk::ui {
namespace {

constexpr int kIconSize = 16;
constexpr int kIconCount = 4;  // one image per mark, 0..3
constexpr int kImageListGrowth = 16;

// A GDI bitmap loaded from the resources, freed on every way out.
class ResourceBitmap {
 public:
  explicit ResourceBitmap(int id)
      : bitmap_(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {}
  ~ResourceBitmap() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  ResourceBitmap(const ResourceBitmap&) = delete;
  ResourceBitmap& operator=(const ResourceBitmap&) = delete;
  HBITMAP get() const { return bitmap_; }

 private:
  HBITMAP bitmap_;
};

// The four state images, 16 x 16 in 24 bits, white being transparent.
HIMAGELIST CreateStateImages() {
  ResourceBitmap strip(IDB_LIST_STATES);
  if (strip.get() == nullptr) return nullptr;
  HIMAGELIST images =
      ImageList_Create(kIconSize, kIconSize, ILC_COLOR24 | ILC_MASK, kIconCount, kImageListGrowth);
  if (images == nullptr) return nullptr;
  if (ImageList_AddMasked(images, strip.get(), RGB(255, 255, 255)) < 0) {
    ImageList_Destroy(images);
    return nullptr;
  }
  return images;
}

void InsertColumn(HWND list, int index, const char* header, int width) {
  std::string text(header);
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.pszText = text.data();
  column.cx = width;
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

// A mark outside 0..3 (only from a hand-edited list file) has no icon.
int ImageOfMark(int mark) { return (mark >= 0 && mark < kIconCount) ? mark : I_IMAGENONE; }

}  // namespace

using targets::RowChange;

CListCtrl_Target::CListCtrl_Target() {
  Rows().SetChangeHook([this](const RowChange& change) { OnRowChange(change); });
}

CListCtrl_Target::~CListCtrl_Target() {
  Rows().SetChangeHook({});
  if (subclassed_ && IsWindow(hwnd())) RemoveWindowSubclass(hwnd(), ViewProc, 0);
  if (images_ != nullptr) ImageList_Destroy(images_);
}

void CListCtrl_Target::OnAttach() {
  if (hwnd() == nullptr) return;
  // The list view receives WM_DROPFILES itself (it accepts files); the
  // subclass hands them to the control.
  subclassed_ = SetWindowSubclass(hwnd(), ViewProc, 0, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

bool CListCtrl_Target::InitList(const std::string& listFilePath) {
  if (hwnd() != nullptr) {
    // The control owns its image list: the view must not destroy it with
    // itself, or the destructor would destroy it a second time.
    const LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
    if ((style & LVS_SHAREIMAGELISTS) == 0) SetWindowLongPtrA(hwnd(), GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    if (images_ == nullptr) images_ = CreateStateImages();
    if (images_ != nullptr) ListView_SetImageList(hwnd(), images_, LVSIL_SMALL);

    RECT client{};
    GetClientRect(hwnd(), &client);
    const int width = client.right - client.left;
    InsertColumn(hwnd(), 0, "バックアップ対象", (width / 10) * 7);
    InsertColumn(hwnd(), 1, "コメント", (width / 10) * 3);
  }
  SetListFilePath(listFilePath);
  bool failed = false;
  try {
    failed = LoadList();
  } catch (...) {
    // A list file too large for memory: what was loaded stays.
    SetLastErrorText(engine::CurrentExceptionReason());
    failed = true;
  }
  if (failed) {
    ShowMessageBox(hwnd() != nullptr ? GetParent(hwnd()) : nullptr, GetLastErrorText(), "Error",
                   MB_OK | MB_ICONERROR);
    return true;
  }
  return false;
}

int CListCtrl_Target::RowAt(POINT clientPoint) const {
  LVHITTESTINFO hit{};
  hit.pt = clientPoint;
  return static_cast<int>(SendMessageA(hwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void CListCtrl_Target::InsertItem(std::size_t index) {
  const targets::TargetRow& row = Rows()[index];
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
  item.iItem = static_cast<int>(index);
  item.pszText = const_cast<char*>(row.entry.path.c_str());
  item.iImage = ImageOfMark(row.entry.mark);
  item.stateMask = LVIS_SELECTED;
  item.state = row.selected ? LVIS_SELECTED : 0;
  SendMessageA(hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  if (!row.entry.comment.empty()) SetCommentText(index);
}

void CListCtrl_Target::UpdateItem(std::size_t index) {
  const targets::TargetRow& row = Rows()[index];
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
  item.iItem = static_cast<int>(index);
  item.pszText = const_cast<char*>(row.entry.path.c_str());
  item.iImage = ImageOfMark(row.entry.mark);
  item.stateMask = LVIS_SELECTED;
  item.state = row.selected ? LVIS_SELECTED : 0;
  SendMessageA(hwnd(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  SetCommentText(index);
}

void CListCtrl_Target::SetCommentText(std::size_t index) {
  LVITEMA comment{};
  comment.mask = LVIF_TEXT;
  comment.iItem = static_cast<int>(index);
  comment.iSubItem = 1;
  comment.pszText = const_cast<char*>(Rows()[index].entry.comment.c_str());
  SendMessageA(hwnd(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&comment));
}

void CListCtrl_Target::Refill() {
  SendMessageA(hwnd(), WM_SETREDRAW, FALSE, 0);
  SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
  // Room for every row at once instead of growing row by row.
  SendMessageA(hwnd(), LVM_SETITEMCOUNT, Rows().size(), 0);
  for (std::size_t i = 0; i < Rows().size(); ++i) InsertItem(i);
  SendMessageA(hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void CListCtrl_Target::OnRowChange(const RowChange& change) {
  TrackEditedRow(change);
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
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      if (mirroring_) return false;
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
    case LVN_COLUMNCLICK:
      SortByColumn(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      result = 0;
      return true;
    case LVN_KEYDOWN:
      // The list view goes on with the key as usual afterwards.
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) DeleteSelected();
      result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace zelk::ui

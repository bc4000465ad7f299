#include "ui/target_list/list_ctrl_target.h"

#include <algorithm>

#include "engine/exception_reason.h"
#include "res/resource.h"
#include "text/mbcs.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_text.h"

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

// The screen's pixels per inch (96 at 100 %).
int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// A memory device context with a bitmap selected into it, both released on
// every way out.
class SelectedBitmap {
 public:
  SelectedBitmap(HDC dc, HBITMAP bitmap) : dc_(dc), old_(SelectObject(dc, bitmap)) {}
  ~SelectedBitmap() { SelectObject(dc_, old_); }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// The strip of state images enlarged to images of size x size pixels, pixel
// by pixel so that the strokes stay sharp; nullptr when it cannot be made.
HBITMAP ScaleStrip(HBITMAP strip, int size) {
  MemoryDc from;
  MemoryDc to;
  if (from.get() == nullptr || to.get() == nullptr) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size * kIconCount;
  info.bmiHeader.biHeight = size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP scaled = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (scaled == nullptr) return nullptr;
  {
    SelectedBitmap source(from.get(), strip);
    SelectedBitmap target(to.get(), scaled);
    SetStretchBltMode(to.get(), COLORONCOLOR);
    if (!StretchBlt(to.get(), 0, 0, size * kIconCount, size, from.get(), 0, 0, kIconSize * kIconCount, kIconSize,
                    SRCCOPY)) {
      DeleteObject(scaled);
      return nullptr;
    }
  }
  return scaled;
}

// The four state images, 16 x 16 in 24 bits at 96 DPI and larger in step
// with the screen, white being transparent.
HIMAGELIST CreateStateImages() {
  ResourceBitmap strip(IDB_LIST_STATES);
  if (strip.get() == nullptr) return nullptr;
  const int size = std::max(kIconSize, MulDiv(kIconSize, ScreenDpi(), 96));
  HBITMAP scaled = size == kIconSize ? nullptr : ScaleStrip(strip.get(), size);
  const int imageSize = scaled != nullptr ? size : kIconSize;
  HIMAGELIST images =
      ImageList_Create(imageSize, imageSize, ILC_COLOR24 | ILC_MASK, kIconCount, kImageListGrowth);
  const bool added = images != nullptr &&
                     ImageList_AddMasked(images, scaled != nullptr ? scaled : strip.get(), RGB(255, 255, 255)) >= 0;
  if (scaled != nullptr) DeleteObject(scaled);
  if (!added && images != nullptr) {
    ImageList_Destroy(images);
    return nullptr;
  }
  return images;
}

void InsertColumn(HWND list, int index, std::string text, int width) {
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
    InsertColumn(hwnd(), 0, LoadResourceString(IDS_LIST_COLUMN_TARGET), (width / 10) * 7);
    InsertColumn(hwnd(), 1, LoadResourceString(IDS_LIST_COLUMN_COMMENT), (width / 10) * 3);
  }
  model_.SetListFilePath(listFilePath);
  bool failed = false;
  try {
    failed = model_.LoadList();
  } catch (...) {
    // A list file too large for memory: what was loaded stays.
    model_.SetLastErrorText(engine::CurrentExceptionReason());
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

void CListCtrl_Target::UpdateItem(std::size_t index) {
  // Text and icon come from the rows when the view draws (LVN_GETDISPINFO);
  // only the selection lives in the view.
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = Rows()[index].selected ? LVIS_SELECTED : 0;
  SendMessageA(hwnd(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  SendMessageA(hwnd(), LVM_REDRAWITEMS, index, index);
}

void CListCtrl_Target::Refill() {
  // The view holds no rows of its own (LVS_OWNERDATA): a new count, and the
  // selection as the rows have it. Its selection does not move with rows
  // that come or go, so it is set again whole.
  SendMessageA(hwnd(), LVM_SETITEMCOUNT, Rows().size(), LVSICF_NOSCROLL);
  LVITEMA none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  for (std::size_t i = 0; i < Rows().size(); ++i) {
    if (Rows()[i].selected) UpdateItem(i);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void CListCtrl_Target::OnRowChange(const RowChange& change) {
  TrackEditedRow(change);
  if (hwnd() == nullptr) return;
  mirroring_ = true;
  switch (change.kind) {
    case RowChange::Kind::Inserted:
      if (change.index + 1 == Rows().size()) {
        // Appended (a drop, an add): no row moves, the selection stays.
        SendMessageA(hwnd(), LVM_SETITEMCOUNT, Rows().size(), LVSICF_NOSCROLL);
        if (Rows()[change.index].selected) UpdateItem(change.index);
        break;
      }
      if (!change.moreFollow) Refill();
      break;
    case RowChange::Kind::Removed:
    case RowChange::Kind::Reset:
      if (!change.moreFollow) Refill();
      break;
    case RowChange::Kind::Updated:
      UpdateItem(change.index);
      break;
  }
  mirroring_ = false;
}

void CListCtrl_Target::FillDisplayInfo(LVITEMA& item) const {
  if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= Rows().size()) return;
  const targets::TargetEntry& entry = Rows()[static_cast<std::size_t>(item.iItem)].entry;
  if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
    text::CopyToBuffer(item.pszText, static_cast<std::size_t>(item.cchTextMax),
                       item.iSubItem == 1 ? entry.comment : item.iSubItem == 0 ? entry.path : std::string());
  }
  if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) item.iImage = ImageOfMark(entry.mark);
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
    case LVN_GETDISPINFOA:
      FillDisplayInfo(reinterpret_cast<NMLVDISPINFOA&>(header).item);
      result = 0;
      return true;
    case LVN_ODSTATECHANGED: {
      // The user selected a range of rows at once (shift-click).
      if (mirroring_) return false;
      const auto& range = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
      if (((range.uNewState ^ range.uOldState) & LVIS_SELECTED) != 0) {
        const bool selected = (range.uNewState & LVIS_SELECTED) != 0;
        for (int i = std::max(range.iFrom, 0); i <= range.iTo; ++i) {
          Rows().SetSelected(static_cast<std::size_t>(i), selected);
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
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) model_.DeleteSelected();
      result = 0;
      return true;
    case NM_DBLCLK:
      OnDoubleClick(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction);
      result = 0;
      return true;
    case NM_RCLICK: {
      POINT cursor{};
      GetCursorPos(&cursor);
      OnContextMenu(cursor);
      result = 1;  // handled: the view sends no WM_CONTEXTMENU after it
      return true;
    }
    default:
      return false;
  }
}

}  // namespace zelk::ui

#include <windows.h>
#include <shlobj.h>

#include "targets/path_status.h"
#include "ui/target_list/list_ctrl_target.h"

namespace zelk::ui {
namespace {

// Frees a shell item id list.
struct ItemIdList {
  LPITEMIDLIST ids = nullptr;
  ~ItemIdList() {
    if (ids != nullptr) CoTaskMemFree(ids);
  }
};

}  // namespace

bool CListCtrl_Target::AddFromBrowser(HWND owner) {
  char displayName[MAX_PATH] = {};
  char title[] = "ファイルorフォルダの選択";
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_BROWSEINCLUDEFILES;  // 0x4001
  ItemIdList picked;
  picked.ids = SHBrowseForFolderA(&info);
  if (picked.ids == nullptr) return false;  // cancelled

  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(picked.ids, path)) {
    SetLastErrorText("例外エラー:1");
    return true;
  }
  const std::optional<targets::PathKind> kind = targets::QueryPathKind(path);
  const int mark = kind == targets::PathKind::Folder ? targets::ActiveFolder : targets::ActiveFile;
  Rows().Append(targets::TargetEntry{path, std::string(), mark});
  SetLastErrorText({});
  return false;
}

void CListCtrl_Target::EditSelectedComment(HWND /*owner*/) {}

}  // namespace zelk::ui

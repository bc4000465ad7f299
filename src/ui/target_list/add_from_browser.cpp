#include <windows.h>
#include <shlobj.h>

#include <mutex>
#include <optional>
#include <string>

#include "fileutil/wide_path.h"
#include "ui/target_list/ansi_path.h"
#include "fileutil/path_names.h"
#include "fileutil/item_id_list.h"
#include "targets/path_status.h"
#include "res/resource.h"
#include "ui/framework/resource_text.h"
#include "ui/target_list/browse_for_target.h"
#include "ui/target_list/list_ctrl_target.h"

namespace zelk::ui {
namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

BrowseForTargetHandler& Handler() {
  static BrowseForTargetHandler handler;
  return handler;
}

}  // namespace

LPITEMIDLIST BrowseForTarget(BROWSEINFOA& info) {
  BrowseForTargetHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = Handler();
  }
  if (handler) return handler(info);
  return SHBrowseForFolderA(&info);
}

void SetBrowseForTargetHandler(BrowseForTargetHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  Handler() = std::move(handler);
}

bool CListCtrl_Target::AddFromBrowser(HWND owner) {
  char displayName[MAX_PATH] = {};
  const std::string title = LoadResourceString(IDS_LIST_BROWSE_TITLE);
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_BROWSEINCLUDEFILES;  // 0x4001: folders and files
  fileutil::ItemIdList picked(BrowseForTarget(info));
  if (picked.get() == nullptr) return false;  // cancelled

  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(picked.get(), path)) {
    model_.SetLastErrorText(LoadResourceString(IDS_LIST_NO_FILE_SYSTEM_PATH));
    return true;
  }
  const std::optional<std::string> ansiPath = ExactAnsiPath(path);
  if (!ansiPath) {
    // FileList.dat holds ANSI paths: this one would be listed mangled and
    // count as missing at every run.
    model_.SetLastErrorText(text::Format(IDS_LIST_NOT_ANSI, fileutil::ToAnsi(path)));
    return true;
  }
  const std::string& pickedPath = *ansiPath;
  // A drive root (or a share root) has no status of its own: it could be
  // neither told apart as a folder nor found at a run, where it would count
  // as missing every time. It is refused here rather than listed.
  const std::optional<targets::PathKind> kind = targets::QueryPathKind(pickedPath);
  if (!kind) {
    model_.SetLastErrorText(LoadResourceString(fileutil::IsDriveRoot(pickedPath) ? IDS_LIST_DRIVE_ROOT : IDS_LIST_ADD_FAILED));
    return true;
  }
  const int mark = *kind == targets::PathKind::Folder ? targets::ActiveFolder : targets::ActiveFile;
  const std::size_t index = Rows().Append(targets::TargetEntry{pickedPath, std::string(), mark});
  if (hwnd() != nullptr && static_cast<std::size_t>(ListView_GetItemCount(hwnd())) != Rows().size()) {
    // The view took no item for the row: keep rows and view alike.
    Rows().Remove(index);
    model_.SetLastErrorText(LoadResourceString(IDS_LIST_ADD_FAILED));
    return true;
  }
  model_.SetLastErrorText({});
  return false;
}

}  // namespace zelk::ui

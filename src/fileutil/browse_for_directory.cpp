#include "fileutil/browse_for_directory.h"

#include <shlobj.h>

#include <array>

#include "fileutil/item_id_list.h"

namespace zelk::fileutil {

CBrowseForResource::CBrowseForResource(HWND owner, std::string title, std::string initialFolder,
                                       UINT flags)
    : owner_(owner), title_(std::move(title)), initialFolder_(std::move(initialFolder)), flags_(flags) {}

int CALLBACK CBrowseForResource::OnBrowseEvent(HWND window, UINT message, LPARAM, LPARAM data) {
  const auto* self = reinterpret_cast<const CBrowseForResource*>(data);
  if (message == BFFM_INITIALIZED && self != nullptr && !self->initialFolder_.empty()) {
    SendMessageA(window, BFFM_SETSELECTIONA, TRUE,
                 reinterpret_cast<LPARAM>(self->initialFolder_.c_str()));
  }
  return 0;
}

bool CBrowseForResource::DoModal() {
  chosen_.clear();
  std::array<char, MAX_PATH> displayName{};
  BROWSEINFOA info{};
  info.hwndOwner = owner_;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = displayName.data();
  info.lpszTitle = title_.c_str();
  info.ulFlags = flags_;
  info.lpfn = OnBrowseEvent;
  info.lParam = reinterpret_cast<LPARAM>(this);
  ItemIdList picked(SHBrowseForFolderA(&info));
  if (picked.get() == nullptr) return false;  // cancelled

  std::array<char, MAX_PATH> path{};
  if (!SHGetPathFromIDListA(picked.get(), path.data())) return false;
  path.back() = '\0';
  chosen_ = path.data();
  return !chosen_.empty();
}

CBrowseForDirectory::CBrowseForDirectory(HWND owner, std::string title, std::string initialFolder)
    : CBrowseForResource(owner, std::move(title), std::move(initialFolder), BIF_RETURNONLYFSDIRS) {}

}  // namespace zelk::fileutil

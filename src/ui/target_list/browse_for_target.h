// The shell's browse dialog behind the add command. Tests install a handler
// that answers an item id list instead of a user.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>

namespace zelk::ui {

// Answers the picked item (freed by the caller with CoTaskMemFree), or
// nullptr for a cancel.
using BrowseForTargetHandler = std::function<LPITEMIDLIST(const BROWSEINFOA& info)>;

// SHBrowseForFolderA, or the installed handler.
LPITEMIDLIST BrowseForTarget(BROWSEINFOA& info);

// Installs a handler for every later browse; an empty handler restores the
// real dialog.
void SetBrowseForTargetHandler(BrowseForTargetHandler handler);

}  // namespace zelk::ui

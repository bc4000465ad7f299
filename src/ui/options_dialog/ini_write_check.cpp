#include "ui/options_dialog/ini_write_check.h"

#include <windows.h>

#include "fileutil/directory_ops.h"
#include "fileutil/win_handles.h"

namespace zelk::ui {

std::optional<std::string> IniWriteRefusal(const std::string& path) {
  // Saving replaces the file with a copy written beside it: the file must
  // be open to writing and deletion, with others sharing it as they may.
  fileutil::FileHandle ini(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!ini.valid() && GetLastError() != ERROR_FILE_NOT_FOUND) {
    return fileutil::GetLastErrorString();
  }
  fileutil::FileHandle copy(CreateFileA((path + ".new").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!copy.valid()) return fileutil::GetLastErrorString();
  return std::nullopt;
}

}  // namespace zelk::ui

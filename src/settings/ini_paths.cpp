#include "settings/ini_paths.h"

#include "text/mbcs.h"

namespace zelk::settings {

std::string IniPathFor(std::string_view exePath) {
  // No Shift-JIS trail byte is a '.', so a plain byte search is exact.
  std::size_t dot = exePath.rfind('.');
  std::string path(exePath.substr(0, dot));
  return path + ".ini";
}

std::string DefaultSavePathFor(std::string_view exePath) {
  std::size_t slash = text::FindLastChar(exePath, '\\');
  std::string folder = slash == std::string_view::npos ? std::string()
                                                       : std::string(exePath.substr(0, slash + 1));
  return folder + "Backup";
}

}  // namespace zelk::settings

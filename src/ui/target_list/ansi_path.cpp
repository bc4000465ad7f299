#include "ui/target_list/ansi_path.h"

#include <windows.h>

namespace zelk::ui {

std::optional<std::string> ExactAnsiPath(std::wstring_view path) {
  if (path.empty()) return std::string();
  const int size = static_cast<int>(path.size());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), size, nullptr, 0, nullptr,
                                    &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), size, ansi.data(), n, nullptr, &usedDefault);
  // The way back must give the same characters.
  const int back = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), n, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(back > 0 ? back : 0), L'\0');
  if (back > 0) MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), n, wide.data(), back);
  if (usedDefault || wide != path) return std::nullopt;
  return ansi;
}

}  // namespace zelk::ui

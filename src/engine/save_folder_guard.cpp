#include "engine/save_folder_guard.h"

#include <windows.h>

#include <vector>

#include "fileutil/path_names.h"
#include "settings/profile.h"

namespace zelk::engine {
namespace {

std::string CurrentFolder() {
  DWORD n = GetCurrentDirectoryA(0, nullptr);
  if (n == 0) return {};
  std::vector<char> buffer(n + 1);
  n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  return n < buffer.size() ? std::string(buffer.data(), n) : std::string();
}

bool HoldsOrIs(const std::string& folder, const std::string& path) {
  return !path.empty() && (fileutil::SamePath(folder, path) || fileutil::IsInside(path, folder));
}

}  // namespace

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::vector<char> buffer(n + 1);
  n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  return n > 0 && n < buffer.size() ? std::string(buffer.data(), n) : path;
}

std::optional<std::string> RefuseToEmpty(const std::string& saveFolder) {
  if (saveFolder.empty()) return std::string("保存先フォルダが設定されていません");
  const std::string full = fileutil::PathToDir(FullPath(saveFolder));
  if (fileutil::IsDriveRoot(saveFolder) || fileutil::IsDriveRoot(full)) {
    return saveFolder + "はドライブのルートなので削除できません";
  }
  const std::string exeFolder = fileutil::PathToDirectoryPath(settings::ModuleFilePath());
  if (HoldsOrIs(full, exeFolder) || HoldsOrIs(full, CurrentFolder())) {
    return saveFolder + "にはプログラムまたはリストファイルがあるので削除できません";
  }
  return std::nullopt;
}

}  // namespace zelk::engine

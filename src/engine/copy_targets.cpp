#include "engine/copy_targets.h"

#include <windows.h>

#include "engine/save_folder_guard.h"
#include "fileutil/directory_ops.h"
#include "fileutil/path_names.h"
#include "fileutil/wide_path.h"

namespace zelk::engine {
namespace {

using targets::TargetEntry;

// The name a target takes in the generation; a drive root takes its letter.
std::string TargetName(const std::string& path) {
  std::string name = fileutil::PathToFileName(path);
  if (name.empty() && !path.empty()) name = path.substr(0, 1);
  return name;
}

// The system's copy-file call, refusing to overwrite; true on failure.
bool CopyOneFile(const std::string& source, const std::string& target) {
  const std::wstring from = fileutil::ExtendedPath(source);
  const std::wstring to = fileutil::ExtendedPath(target);
  return from.empty() || to.empty() || !CopyFileW(from.c_str(), to.c_str(), TRUE);
}

std::string FreeName(const std::string& path) {
  return fileutil::CheckFile(path) ? path : fileutil::SkipPathNum(path);
}

bool CopyFileTarget(const TargetEntry& row, const std::string& destination,
                    std::string& errorText) {
  const std::string target = FreeName(fileutil::JoinPath(destination, TargetName(row.path)));
  if (CopyOneFile(row.path, target)) {
    errorText = target + "の作成に失敗しました";
    return true;
  }
  return false;
}

bool CopyFolderTarget(const TargetEntry& row, const std::string& destination,
                      const std::string& saveFolder, std::string& errorText) {
  const std::string target = FreeName(fileutil::JoinPath(destination, TargetName(row.path)));
  const std::string source = FullPath(row.path);
  std::string exclude;
  if (fileutil::IsInside(saveFolder, source)) exclude = saveFolder;
  fileutil::MessageBuffer msg{};
  if (fileutil::CopyDirectoryTo(target, row.path, msg, exclude)) {
    errorText = fileutil::MessageText(msg);
    return true;
  }
  return false;
}

}  // namespace

bool CopyTargets(const std::vector<TargetEntry>& rows, const std::string& destination,
                 const std::string& saveFolder, std::string& errorText) {
  const std::string fullSave = fileutil::PathToDir(FullPath(saveFolder));
  for (const TargetEntry& row : rows) {
    if (row.mark == targets::ActiveFile) {
      if (CopyFileTarget(row, destination, errorText)) return true;
    } else if (row.mark == targets::ActiveFolder) {
      if (CopyFolderTarget(row, destination, fullSave, errorText)) return true;
    }
  }
  errorText.clear();
  return false;
}

}  // namespace zelk::engine

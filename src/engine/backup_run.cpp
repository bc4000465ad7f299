// One backup run: a new generation of the active targets under the save
// folder, as a folder of plain copies or as one archive.
#include <windows.h>

#include <ctime>

#include "engine/archiver_library.h"
#include "engine/backup_engine.h"
#include "engine/copy_targets.h"
#include "engine/generation_path.h"
#include "fileutil/path_names.h"

namespace zelk::engine {
namespace {

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> GenerationName(std::time_t now) {
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) return std::nullopt;
  return FormatGenerationName(local, kGenerationNameFormat);
}

}  // namespace

bool CBackupEngine::RunBackup() {
  host_.EnableControls(false);
  std::string destination;
  const bool failed = RunSteps(destination);
  if (!failed) lastError_.clear();
  host_.EnableControls(true);
  return failed;
}

bool CBackupEngine::RunSteps(std::string& destination) {
  const std::vector<targets::TargetEntry> rows = host_.SnapshotTargets();
  const int mode = settings_.DefMode;
  destination = settings_.SavePath;

  // The format and its library come before the save folder is looked at.
  if (mode != PlainCopyMode() && FindArchiver(mode) == nullptr) {
    return Fail("保存形式の設定が正しくありません");
  }
  if (mode != PlainCopyMode() && IsArchiverUnavailable(mode)) return true;

  // The name is formed before anything on disk is touched.
  const std::optional<std::string> name = GenerationName(clock_ ? clock_() : std::time(nullptr));
  if (!name) return Fail("バックアップ名を作成できませんでした");

  if (!FolderExists(settings_.SavePath) && !CreateDirectoryA(settings_.SavePath.c_str(), nullptr)) {
    return Fail("保存先フォルダの作成に失敗しました");
  }

  const bool keepHistory = settings_.History != 0;
  if (mode == PlainCopyMode()) {
    if (keepHistory) {
      destination += "\\" + *name;
      if (!CreateDirectoryA(destination.c_str(), nullptr)) {
        return Fail(destination + "の作成に失敗しました");
      }
    }
  } else {
    destination += "\\" + *name + FindArchiver(mode)->extension;
  }

  if (keepHistory) {
    if (RecordGeneration(destination)) return true;
  } else {
    if (ClearBackups()) return true;
    if (mode != PlainCopyMode() && RecordGeneration(destination)) return true;
  }

  std::string copyError;
  const bool copyFailed =
      mode == PlainCopyMode()
          ? CopyTargets(rows, destination, settings_.SavePath, copyError)
          : ArchiveTargets(mode, rows, destination, host_.OwnerWindow(), copyError);
  if (copyFailed) return Fail(copyError);
  return false;
}

}  // namespace zelk::engine

// The history of generations: History.dat lists one generation path per line,
// oldest first.
#include <windows.h>

#include "engine/backup_engine.h"
#include "engine/generation_path.h"
#include "engine/save_folder_guard.h"
#include "fileutil/directory_ops.h"
#include "fileutil/line_file.h"

namespace zelk::engine {

using fileutil::COutFile;
using fileutil::MessageBuffer;

void CBackupEngine::DeleteGeneration(const std::string& line, bool folderFirstOnly) {
  if (!IsGenerationOf(line, settings_.SavePath)) return;
  MessageBuffer msg{};
  bool folderFailed = fileutil::DeleteDirectory(line, msg);
  if (!folderFirstOnly || folderFailed) {
    DeleteFileA(line.c_str());
  }
}

bool CBackupEngine::RecordGeneration(const std::string& path) {
  COutFile file(kHistoryFileName);
  if (!file.GetErrorMsg().empty()) return Fail(file.GetErrorMsg());
  if (settings_.History != 0 && file.GetLineCount() == settings_.HistoryNum) {
    // Full history: the oldest generation goes first, then its line.
    // Failures here are ignored; the new generation is recorded all the same.
    DeleteGeneration(file.ReadLineEx(1, 1), false);
    file.DeleteLine(1, 1);
  }
  if (file.AddLine(path)) return Fail("履歴ファイルの書き込みエラー");
  return false;
}

bool CBackupEngine::PruneHistory() {
  COutFile file(kHistoryFileName);
  if (!file.GetErrorMsg().empty()) return Fail(file.GetErrorMsg());
  const int excess = file.GetLineCount() - settings_.HistoryNum;
  for (int i = 0; i < excess; ++i) {
    const std::string oldest = file.ReadLineEx(1, 1);
    if (file.DeleteLine(1, 1)) return Fail(file.GetErrorMsg());
    DeleteGeneration(oldest, true);
  }
  lastError_.clear();
  return false;
}

bool CBackupEngine::ClearBackups() {
  COutFile file(kHistoryFileName);
  if (!file.GetErrorMsg().empty()) return Fail("履歴ファイルのオープンに失敗しました");
  if (auto refusal = RefuseToEmpty(settings_.SavePath)) return Fail(*refusal);
  MessageBuffer msg{};
  if (fileutil::ClearDirectory(settings_.SavePath, msg)) {
    return Fail(fileutil::MessageText(msg) + "の削除に失敗しました");
  }
  if (file.Clear()) return Fail("履歴ファイルの初期化に失敗しました");
  lastError_.clear();
  return false;
}

}  // namespace zelk::engine

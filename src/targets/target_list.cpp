#include "targets/target_list.h"

#include "fileutil/line_file.h"
#include "targets/filelist_line.h"
#include "targets/path_status.h"

namespace zelk::targets {

bool CTargetList::LoadList() {
  if (listFilePath_.empty()) {
    lastError_ = kNoListFilePath;
    return true;
  }
  if (!QueryPathKind(listFilePath_)) return false;

  fileutil::COutFile file(listFilePath_);
  const int count = file.GetLineCount();
  for (int i = 1; i <= count; ++i) {
    const std::string line = file.ReadLineEx(1, i);
    if (IsBlankFileListLine(line)) continue;
    rows_.Append(ParseFileListLine(line));
  }
  lastError_.clear();
  return false;
}

bool CTargetList::SaveList() {
  if (listFilePath_.empty()) {
    lastError_ = kNoListFilePath;
    return true;
  }
  // The whole list goes to disk in one write: a failed save leaves the
  // previous list whole instead of a cleared or half-written file.
  std::vector<std::string> lines;
  lines.reserve(rows_.size());
  for (const TargetRow& row : rows_.rows()) lines.push_back(FormatFileListLine(row.entry));
  fileutil::COutFile file(listFilePath_);
  if (file.ReplaceAll(std::move(lines))) {
    lastError_ = kListFileClearFailed;
    return true;
  }
  lastError_.clear();
  return false;
}

void CTargetList::AddDroppedPaths(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    std::optional<PathKind> kind = QueryPathKind(path);
    if (!kind) return;
    rows_.Append(TargetEntry{path, std::string(), *kind == PathKind::Folder ? ActiveFolder : ActiveFile});
  }
}

bool CTargetList::VerifyTargets(bool removeMissing) {
  rows_.SyncMarks();
  for (std::size_t i = 0; i < rows_.size();) {
    const TargetRow& row = rows_[i];
    if (!IsActiveMark(static_cast<int>(row.itemData)) || QueryPathKind(row.entry.path)) {
      ++i;
      continue;
    }
    if (!removeMissing) {
      lastError_ = row.entry.path;
      return true;
    }
    if (rows_.Remove(i)) {
      lastError_ = kRowRemoveFailed;
      return true;
    }
  }
  lastError_.clear();
  return false;
}

std::vector<TargetEntry> CTargetList::SnapshotForBackup() {
  rows_.SyncMarks();
  return rows_.Entries();
}

}  // namespace zelk::targets

#include "targets/target_list.h"

#include "fileutil/line_file.h"
#include "fileutil/path_names.h"
#include "res/resource.h"
#include "targets/filelist_line.h"
#include "targets/path_status.h"
#include "text/string_table.h"

namespace zelk::targets {
namespace {

// A mark the list cannot tell (a hand-edited file): the row is kept, paused,
// and is a folder when its path is one now.
int PausedMarkFromDisk(const std::string& path) {
  const std::optional<PathKind> kind = QueryPathKind(path);
  return kind == PathKind::Folder ? PausedFolder : PausedFile;
}

}  // namespace

bool CTargetList::LoadList() {
  if (listFilePath_.empty()) {
    lastError_ = text::LoadText(IDS_LIST_NO_FILE_PATH);
    return true;
  }
  fileutil::COutFile file(listFilePath_);
  if (!file.GetErrorMsg().empty()) {
    // Held open by another program, or not readable at all: starting with
    // an empty list is fine, writing that list over the file is not.
    listFileUnread_ = true;
    lastError_ = text::Format(IDS_LIST_UNREADABLE, file.GetErrorMsg());
    return true;
  }
  if (file.GetLineCount() == 0 && !QueryPathKind(listFilePath_)) return false;

  const int count = file.GetLineCount();
  std::vector<TargetEntry> entries;
  entries.reserve(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) {
    TargetEntry entry = ParseFileListLine(file.ReadLineEx(1, i));
    // A line without a path (a blank line, "2;;;" or a path of blanks only)
    // names nothing to back up: it is not listed, and the next save drops it.
    if (IsBlankFileListLine(entry.path)) continue;
    if (!IsKnownMark(entry.mark)) entry.mark = PausedMarkFromDisk(entry.path);
    entries.push_back(std::move(entry));
  }
  rows_.AppendAll(std::move(entries));
  listFileUnread_ = false;
  lastError_.clear();
  return false;
}

bool CTargetList::SaveList() {
  lastSaveReason_.clear();
  if (listFilePath_.empty()) {
    lastError_ = text::LoadText(IDS_LIST_NO_FILE_PATH);
    return true;
  }
  if (listFileUnread_) {
    lastError_ = text::Format(IDS_LIST_NOT_OVERWRITTEN, listFilePath_);
    return true;
  }
  // The whole list goes to disk in one write: a failed save leaves the
  // previous list whole instead of a cleared or half-written file.
  std::vector<std::string> lines;
  lines.reserve(rows_.size());
  for (const TargetRow& row : rows_.rows()) lines.push_back(FormatFileListLine(row.entry));
  fileutil::COutFile file(listFilePath_);
  if (file.ReplaceAll(std::move(lines))) {
    lastError_ = text::LoadText(IDS_LIST_CLEAR_FAILED);
    lastSaveReason_ = file.GetErrorMsg();
    return true;
  }
  lastError_.clear();
  return false;
}

std::optional<std::string> CTargetList::AddDroppedPaths(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (path.size() > kMaxTargetPath) return text::Format(IDS_LIST_PATH_TOO_LONG, path);
    std::optional<PathKind> kind = QueryPathKind(path);
    if (!kind) return text::LoadText(fileutil::IsDriveRoot(path) ? IDS_LIST_DRIVE_ROOT : IDS_LIST_ADD_FAILED);
    rows_.Append(TargetEntry{path, std::string(), *kind == PathKind::Folder ? ActiveFolder : ActiveFile});
  }
  return std::nullopt;
}

bool CTargetList::VerifyTargets(bool removeMissing) {
  rows_.SyncMarks();
  auto missing = [](const TargetRow& row) {
    return IsActiveMark(static_cast<int>(row.itemData)) && !QueryPathKind(row.entry.path);
  };
  if (!removeMissing) {
    for (const TargetRow& row : rows_.rows()) {
      if (!missing(row)) continue;
      lastError_ = row.entry.path;
      return true;
    }
  } else {
    // One pass: removing row by row would move the rows behind each one.
    rows_.RemoveIf(missing);
  }
  lastError_.clear();
  return false;
}

std::vector<TargetEntry> CTargetList::SnapshotForBackup() {
  rows_.SyncMarks();
  return rows_.Entries();
}

}  // namespace zelk::targets

// CTargetList: the backup target list with the operations that reach the
// disk (the list file, the status of the targets) on top of TargetRows. The
// list control shows its rows. Operations with a result return true on
// failure and leave the reason in GetLastErrorText().
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/target_entry.h"
#include "targets/target_rows.h"

namespace zelk::targets {

class CTargetList {
 public:
  CTargetList() = default;
  ~CTargetList() = default;
  CTargetList(const CTargetList&) = delete;
  CTargetList& operator=(const CTargetList&) = delete;

  TargetRows& Rows() { return rows_; }
  const TargetRows& Rows() const { return rows_; }

  // The list file, used as given (a bare name is looked up in the current
  // directory at the time of the load or save).
  void SetListFilePath(std::string path) { listFilePath_ = std::move(path); }
  const std::string& GetLastErrorText() const { return lastError_; }
  // The system's reason behind the last failed save (the line file's own
  // message), shown with the last-error text; empty when there is none.
  const std::string& GetLastSaveReason() const { return lastSaveReason_; }

  // Appends one row per line of the list file that names a path (see
  // ParseFileListLine), all in one step; blank lines and lines whose path
  // field is empty or blank are skipped. A mark that is not 0..3 reads as
  // paused, a folder when the path is one on disk. A missing file adds
  // nothing and is no failure; the last-error text is then left as it was.
  // A file that exists but cannot be read fails, naming the file and the
  // reason, and from then on SaveList refuses to overwrite it.
  bool LoadList();
  // Rewrites the list file with one line per row, in row order. An empty
  // list leaves an empty file. A failed write leaves "ファイルリストの初期化に
  // 失敗しました" and the system's reason (GetLastSaveReason). Refused after a load that could not read the
  // file: the rows do not hold what it holds.
  bool SaveList();

  // Appends each path in order as an active file (2) or folder (3) with an
  // empty comment. Stops at the first path that is longer than
  // kMaxTargetPath or whose status cannot be read (a missing path, a drive
  // root); the rows added before it stay. Answers why it stopped, in the
  // words the add button uses, or nothing when every path was added. The
  // last-error text is not touched.
  std::optional<std::string> AddDroppedPaths(const std::vector<std::string>& paths);

  // SyncMarks, then checks that the path of every active row exists. With
  // removeMissing false the first missing path becomes the last-error text
  // and the result is failed; with removeMissing true every missing row is
  // removed. Paused rows are never examined.
  bool VerifyTargets(bool removeMissing);

  // SyncMarks, then a copy of the entries in row order: what a backup run
  // works from, so it never reads the rows themselves.
  std::vector<TargetEntry> SnapshotForBackup();

  // The list operations of TargetRows, for the control's commands.
  void DeleteSelected() { rows_.DeleteSelected(); }
  void DeleteAll() { rows_.DeleteAll(); }
  void MoveSelected(MoveDirection direction) { rows_.MoveSelected(direction); }
  void ChangeSelectedMarks(MarkChange change) { rows_.ChangeSelectedMarks(change); }
  void ChangeAllMarks(MarkChange change) { rows_.ChangeAllMarks(change); }
  void ReverseMark(std::size_t index) { rows_.ReverseMark(index); }
  void SyncMarks() { rows_.SyncMarks(); }

  // The list control leaves the reasons of its own operations here too.
  void SetLastErrorText(std::string text) { lastError_ = std::move(text); }

 private:
  TargetRows rows_;
  std::string listFilePath_;
  std::string lastError_;
  std::string lastSaveReason_;
  bool listFileUnread_ = false;
};

}  // namespace zelk::targets

#include "engine/save_folder_change.h"

#include <windows.h>

#include <optional>

#include "engine/deletion_gate.h"
#include "engine/generation_path.h"
#include "engine/save_folder_checks.h"
#include "engine/listed_generation.h"
#include "fileutil/directory_ops.h"
#include "fileutil/line_file.h"
#include "fileutil/path_names.h"
#include "res/resource.h"
#include "text/mbcs.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

using fileutil::FolderExists;
using fileutil::COutFile;
using fileutil::MessageBuffer;
using fileutil::MessageText;
using text::LoadText;

constexpr unsigned kErrorBox = MB_OK | MB_ICONERROR;


bool EntryExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A listed generation that is still there, directly inside the save folder.
bool IsStoredGeneration(const std::string& entry, const std::string& save) {
  return IsGenerationOf(entry, save) && EntryExists(entry);
}

std::optional<std::string> GenerationName(std::time_t now) {
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) return std::nullopt;
  return FormatGenerationName(local, GenerationNameFormat().c_str());
}

}  // namespace

std::string InsertRootBackslash(std::string folder) {
  const std::size_t colon = text::FindFirstChar(folder, ':');
  const std::size_t at = colon == std::string::npos ? 0 : colon + 1;
  if (at >= folder.size() || folder[at] != '\\') folder.insert(at, 1, '\\');
  return folder;
}

CSaveFolderChange::CSaveFolderChange(settings::CSettings& record, CBackupEngine& engine, AskUser ask,
                                     std::string applicationName)
    : record_(record), engine_(engine), ask_(std::move(ask)), applicationName_(std::move(applicationName)) {}

void CSaveFolderChange::Error(const std::string& text, const std::string& caption) {
  ask_(text, caption, kErrorBox);
}

void CSaveFolderChange::ClearHistory() {
  COutFile history(HistoryFileName());
  if (!history.GetErrorMsg().empty() || history.Clear()) {
    Error(LoadText(IDS_HISTORY_CLEAR_FAILED), HistoryFileName());
  }
  closed_ = true;
}

OptionsApplyResult CSaveFolderChange::Apply(const settings::CSettings& entered) {
  OptionsApplyResult result;
  closed_ = false;
  if (isBusy_ && isBusy_()) {
    ask_(LoadText(IDS_CANNOT_CHANGE_COPYING), LoadText(IDS_SCHED_PLEASE_WAIT), MB_OK);
    return result;
  }

  const std::string normal = fileutil::PathToDir(entered.SavePath);
  const std::string folder = InsertRootBackslash(normal);
  result.folderText = folder;
  if (normal.size() <= 3) {
    ask_(LoadText(IDS_ROOT_NOT_ALLOWED), LoadText(IDS_RESTRICTION), MB_OK);
    return result;
  }
  // Every check comes before the question: nothing is discarded for a
  // folder that is refused afterwards.
  if (auto refusal = CheckNewSaveFolder(folder, engine_.Targets(), applicationName_)) {
    ask_(refusal->text, refusal->caption, refusal->flags);
    return result;
  }

  // The same folder typed otherwise (letter case, an 8.3 alias, a link) is
  // no change: the record keeps the text it has.
  const bool changed = !SameSaveFolder(folder, record_.SavePath);
  if (changed && ChangeFolder(folder, result)) return result;
  const std::string saveFolder = changed ? folder : record_.SavePath;
  if (!FolderExists(saveFolder) && !CreateDirectoryA(saveFolder.c_str(), nullptr)) {
    ask_(LoadText(IDS_SCHED_SAVE_FOLDER_MISSING), applicationName_, MB_OK);
    return result;
  }

  const bool keptN = record_.History != 0;
  // A run interrupted while it replaced the previous copy is finished first,
  // so that the conversions below see whole generations.
  if (keptN != (entered.History != 0) && engine_.RecoverSaveFolder()) {
    Error(engine_.GetLastErrorText(), "Error");
  }
  record_.SavePath = saveFolder;
  record_.SaveTimeNum = entered.SaveTimeNum;
  record_.SaveTimeTani = entered.SaveTimeTani;
  record_.History = entered.History;
  record_.HistoryNum = entered.HistoryNum;
  record_.OpenStart = entered.OpenStart;
  record_.StartBackup = entered.StartBackup;
  record_.EndBackup = entered.EndBackup;
  record_.LinkUnchanged = entered.LinkUnchanged;
  record_.DefMode = entered.DefMode;
  record_.NotifyOnly = entered.NotifyOnly;
  record_.Exclude = entered.Exclude;
  record_.SkipUnchanged = entered.SkipUnchanged;
  record_.Verify = entered.Verify;

  if (keptN && record_.History == 0) {
    ToKeepNone();
  } else if (keptN && record_.History == 1) {
    if (engine_.PruneHistory()) Error(engine_.GetLastErrorText(), "Error");
  } else if (!keptN && record_.History == 1) {
    if (ToKeepN()) {
      result.closeWithOk = closed_;
      return result;
    }
  }
  result.closeWithOk = true;
  return result;
}

// Asks, then readies the new folder (created, emptied) before the backups
// of the old one are discarded, so that a new folder that cannot be readied
// costs nothing. True when the dialog stays open.
bool CSaveFolderChange::ChangeFolder(const std::string& folder, OptionsApplyResult& result) {
  if (ask_(LoadText(IDS_FOLDER_CHANGE_QUESTION), LoadText(IDS_FOLDER_CHANGED), MB_YESNO | MB_ICONEXCLAMATION) !=
      IDYES) {
    result.restoreOldFolder = true;
    return true;
  }
  if (!FolderExists(folder) && !CreateDirectoryA(folder.c_str(), nullptr)) {
    ask_(LoadText(IDS_SCHED_SAVE_FOLDER_MISSING), applicationName_, MB_OK);
    return true;
  }
  if (fileutil::FileInDirectory(folder)) {
    std::string reason;
    if (CDeletionGate(folder, engine_.Targets()).Empty(reason)) {
      Error(text::Format(IDS_CANNOT_EMPTY, folder), reason);
      return true;
    }
  }
  if (FolderExists(record_.SavePath)) {
    if (engine_.ClearBackups()) {
      Error(engine_.GetLastErrorText(), LoadText(IDS_OLD_BACKUPS_CLEAR_FAILED));
    } else {
      CDeletionGate(record_.SavePath, engine_.Targets()).RemoveEmptySaveFolder();
    }
  } else {
    // A folder that was never created holds no backups; only the history
    // goes.
    COutFile history(HistoryFileName());
    if (!history.GetErrorMsg().empty() || history.Clear()) {
      Error(LoadText(IDS_HISTORY_CLEAR_FAILED), LoadText(IDS_OLD_BACKUPS_CLEAR_FAILED));
    }
  }
  // A new folder inside the old one went with the old backups.
  CreateFolderChain(folder);
  return false;
}

// Keep N -> keep none: the newest generation that is still there is the
// copy kept; the older ones go, and lines newer than it name what is gone
// already. A plain generation moves up into the save folder, an archive
// stays as the one line. A failure ends the conversion and is reported;
// nothing more is deleted after it, so the kept copy is never lost to a
// failed step. With no listed generation left, nothing is deleted.
void CSaveFolderChange::ToKeepNone() {
  const std::string save = record_.SavePath;
  if (!fileutil::FileInDirectory(save)) {
    ClearHistory();
    return;
  }
  COutFile history(HistoryFileName());
  if (!history.GetErrorMsg().empty()) {
    Error(LoadText(IDS_HISTORY_OPEN_FAILED), HistoryFileName());
    closed_ = true;
    return;
  }
  const int count = history.GetLineCount();
  int kept = count;
  while (kept > 0 && !IsStoredGeneration(history.ReadLineEx(1, kept), save)) --kept;
  if (kept == 0) {
    ClearHistory();
    return;
  }
  if (kept < count && history.DeleteLine(kept + 1, count - kept)) {
    Error(LoadText(IDS_FILE_WRITE_FAILED), history.GetFilePath());
    closed_ = true;
    return;
  }
  CDeletionGate gate(save, engine_.Targets());
  for (int i = 1; i < kept; ++i) {
    const std::string entry = history.ReadLineEx(1, 1);
    std::string reason;
    const ListedDeletion deleted = DeleteListed(history, 1, gate, reason);
    if (deleted == ListedDeletion::Deleted) continue;
    if (deleted == ListedDeletion::Kept) {
      Error(LoadText(IDS_PRUNE_FAILED), entry);
    } else {
      Error(LoadText(IDS_FILE_WRITE_FAILED), history.GetFilePath());
    }
    closed_ = true;
    return;
  }
  // The newest archive stays where it is, as the one line.
  const std::string entry = history.ReadLineEx(1, 1);
  if (!FolderExists(entry)) return;
  if (history.Clear()) {
    Error(LoadText(IDS_HISTORY_CLEAR_FAILED), history.GetFilePath());
    closed_ = true;
    return;
  }
  MessageBuffer msg{};
  if (fileutil::MoveFiles(entry, save, msg)) {
    Error(LoadText(IDS_MOVE_PAST_FAILED), MessageText(msg));
    closed_ = true;
    return;
  }
  std::string reason;
  gate.Delete(entry, reason);  // the emptied generation folder
}

// Keep none -> keep N: what lies in the save folder becomes the first
// generation. A failed move still records the generation folder, so that
// what did move is pruned like any generation.
bool CSaveFolderChange::ToKeepN() {
  COutFile history(HistoryFileName());
  if (!history.GetErrorMsg().empty()) {
    Error(LoadText(IDS_HISTORY_OPEN_FAILED), HistoryFileName());
    closed_ = true;
    return false;
  }
  const std::string save = record_.SavePath;
  if (history.GetLineCount() == 1 || !fileutil::FileInDirectory(save)) return false;
  const std::optional<std::string> name = GenerationName(clock_ ? clock_() : std::time(nullptr));
  if (!name) return false;
  const std::string generation = save + "\\" + *name;
  CreateDirectoryA(generation.c_str(), nullptr);
  MessageBuffer msg{};
  if (fileutil::MoveFiles(save, generation, msg)) {
    ask_(LoadText(IDS_MOVE_BACKED_UP_FAILED), MessageText(msg), MB_OK);
    closed_ = true;
  }
  if (history.Clear()) {
    Error(LoadText(IDS_HISTORY_CLEAR_FAILED), HistoryFileName());
    closed_ = true;
    return false;
  }
  if (history.AddLine(generation)) {
    Error(LoadText(IDS_HISTORY_WRITE_FAILED), HistoryFileName());
    return true;
  }
  return false;
}

}  // namespace zelk::engine

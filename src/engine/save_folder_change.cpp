#include "engine/save_folder_change.h"

#include <windows.h>

#include <optional>

#include "engine/deletion_gate.h"
#include "engine/generation_path.h"
#include "fileutil/directory_ops.h"
#include "fileutil/line_file.h"
#include "fileutil/path_names.h"
#include "fileutil/resolved_path.h"
#include "text/mbcs.h"

namespace zelk::engine {
namespace {

using fileutil::FolderExists;
using fileutil::COutFile;
using fileutil::MessageBuffer;
using fileutil::MessageText;

constexpr unsigned kErrorBox = MB_OK | MB_ICONERROR;


bool EntryExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Why the folder cannot take the backups, which are emptied at every
// keep-none run: a drive root, or a folder holding the program or the
// current folder with the list files.
std::optional<std::string> RefuseAsSaveFolder(const std::string& folder) {
  if (!RefuseToEmpty(folder)) return std::nullopt;
  if (fileutil::IsResolvedRoot(fileutil::ResolvedPathOrParent(folder))) {
    return std::string("ドライブのルートは指定できません");
  }
  return "プログラムやリストファイルのあるフォルダは保存先に指定できません\n" + folder;
}

std::optional<std::string> GenerationName(std::time_t now) {
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) return std::nullopt;
  return FormatGenerationName(local, kGenerationNameFormat);
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
  COutFile history(kHistoryFileName);
  if (!history.GetErrorMsg().empty() || history.Clear()) {
    Error("履歴ファイルの初期化に失敗しました", kHistoryFileName);
  }
  closed_ = true;
}

OptionsApplyResult CSaveFolderChange::Apply(const settings::CSettings& entered) {
  OptionsApplyResult result;
  closed_ = false;
  if (isBusy_ && isBusy_()) {
    ask_("コピー中は設定を変更できません", "しばらくお待ちください", MB_OK);
    return result;
  }

  const std::string normal = fileutil::PathToDir(entered.SavePath);
  const std::string folder = InsertRootBackslash(normal);
  result.folderText = folder;
  if (normal.size() <= 3) {
    ask_("ドライブのルートは指定できません", "制限", MB_OK);
    return result;
  }
  if (auto refusal = RefuseAsSaveFolder(folder)) {
    ask_(*refusal, "制限", MB_OK);
    return result;
  }
  // Keep-none runs would empty a target inside the save folder, and pruning
  // could delete it.
  if (auto refusal = TargetInSaveFolder(folder, engine_.Targets())) {
    ask_(*refusal, "制限", MB_OK);
    return result;
  }

  if (folder != record_.SavePath && ChangeFolder(folder, result)) return result;
  if (!FolderExists(folder) && !CreateDirectoryA(folder.c_str(), nullptr)) {
    ask_("保存先フォルダが存在しません", applicationName_, MB_OK);
    return result;
  }

  const bool keptN = record_.History != 0;
  // A run interrupted while it replaced the previous copy is finished first,
  // so that the conversions below see whole generations.
  if (keptN != (entered.History != 0) && engine_.RecoverSaveFolder()) {
    Error(engine_.GetLastErrorText(), "Error");
  }
  record_.SavePath = folder;
  record_.SaveTimeNum = entered.SaveTimeNum;
  record_.SaveTimeTani = entered.SaveTimeTani;
  record_.History = entered.History;
  record_.HistoryNum = entered.HistoryNum;
  record_.OpenStart = entered.OpenStart;
  record_.StartBackup = entered.StartBackup;
  record_.EndBackup = entered.EndBackup;
  record_.LinkUnchanged = entered.LinkUnchanged;
  record_.DefMode = entered.DefMode;

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

// Discards the backups of the old folder and empties the new one. True when
// the dialog stays open.
bool CSaveFolderChange::ChangeFolder(const std::string& folder, OptionsApplyResult& result) {
  if (ask_("既に保存されているバックアップは破棄され\n新しい保存先に入っているファイルも空になります\n"
           "よろしいですか？",
           "保存先フォルダが変更されました", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
    result.restoreOldFolder = true;
    return true;
  }
  if (FolderExists(record_.SavePath)) {
    if (engine_.ClearBackups()) {
      Error(engine_.GetLastErrorText(), "以前のバックアップの初期化に失敗しました");
    } else {
      CDeletionGate(record_.SavePath, engine_.Targets()).RemoveEmptySaveFolder();
    }
  } else {
    // A folder that was never created holds no backups; only the history
    // goes.
    COutFile history(kHistoryFileName);
    if (!history.GetErrorMsg().empty() || history.Clear()) {
      Error("履歴ファイルの初期化に失敗しました", "以前のバックアップの初期化に失敗しました");
    }
  }
  if (fileutil::FileInDirectory(folder)) {
    std::string reason;
    if (CDeletionGate(folder, engine_.Targets()).Empty(reason)) {
      Error(folder + "を空にできませんでした", reason);
      return true;
    }
  }
  return false;
}

// Keep N -> keep none: the older generations go; the newest plain generation
// moves up into the save folder, the newest archive stays as the one line.
// A failure ends the conversion and is reported; nothing more is deleted
// after it, so the newest generation is never lost to a failed step.
void CSaveFolderChange::ToKeepNone() {
  const std::string save = record_.SavePath;
  if (!fileutil::FileInDirectory(save)) {
    ClearHistory();
    return;
  }
  COutFile history(kHistoryFileName);
  if (!history.GetErrorMsg().empty()) {
    Error("履歴ファイルのオープンに失敗しました", kHistoryFileName);
    closed_ = true;
    return;
  }
  CDeletionGate gate(save, engine_.Targets());
  const int count = history.GetLineCount();
  for (int i = 1; i <= count; ++i) {
    const std::string entry = history.ReadLineEx(1, 1);
    if (i < count) {
      // The gate decides what may go: only entries directly inside the
      // save folder; other lines just go.
      std::string reason;
      if (gate.Delete(entry, reason) == CDeletionGate::Outcome::Failed) {
        Error("必要のない過去のバックアップの削除に失敗しました", entry);
        closed_ = true;
        return;
      }
      if (history.DeleteLine(1, 1)) {
        Error("ファイルへの書き込みに失敗しました", history.GetFilePath());
        closed_ = true;
        return;
      }
      continue;
    }
    if (FolderExists(entry)) {
      if (history.Clear()) {
        Error("履歴ファイルの初期化に失敗しました", history.GetFilePath());
        closed_ = true;
        return;
      }
      if (!IsGenerationOf(entry, save)) return;
      MessageBuffer msg{};
      if (fileutil::MoveFiles(entry, save, msg)) {
        Error("過去にバックアップされたファイルの移動に失敗しました", MessageText(msg));
        closed_ = true;
        return;
      }
      std::string reason;
      gate.Delete(entry, reason);  // the emptied generation folder
    } else if (!EntryExists(entry) && history.Clear()) {
      Error("履歴ファイルの初期化に失敗しました", history.GetFilePath());
      closed_ = true;
      return;
    }
    // The newest archive stays where it is, as the one line.
  }
}

// Keep none -> keep N: what lies in the save folder becomes the first
// generation. A failed move still records the generation folder, so that
// what did move is pruned like any generation.
bool CSaveFolderChange::ToKeepN() {
  COutFile history(kHistoryFileName);
  if (!history.GetErrorMsg().empty()) {
    Error("履歴ファイルのオープンに失敗しました", kHistoryFileName);
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
    ask_("既にバックアップされたファイルの移動に失敗しました", MessageText(msg), MB_OK);
    closed_ = true;
  }
  if (history.Clear()) {
    Error("履歴ファイルの初期化に失敗しました", kHistoryFileName);
    closed_ = true;
    return false;
  }
  if (history.AddLine(generation)) {
    Error("履歴ファイルへの書き込みに失敗しました", kHistoryFileName);
    return true;
  }
  return false;
}

}  // namespace zelk::engine

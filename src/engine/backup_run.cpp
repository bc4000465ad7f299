// One backup run: a new generation of the active targets under the save
// folder, as a folder of plain copies or as one archive.
//
// The generation is written under a staging name in the save folder and
// takes its final name only once every target is in it, so a failed or
// interrupted run never leaves a half-made generation under a real name, and
// the older generations are pruned (or the previous copy replaced) only after
// the new one is complete.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "engine/archiver_library.h"
#include "engine/backup_engine.h"
#include "engine/generation_path.h"
#include "engine/run_facts.h"
#include "engine/run_record.h"
#include "fileutil/directory_ops.h"
#include "fileutil/line_file.h"
#include "fileutil/path_names.h"
#include "fileutil/resolved_path.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

using fileutil::FolderExists;
using fileutil::COutFile;
using fileutil::ToWide;
using text::Message;

std::optional<std::string> GenerationName(std::time_t now) {
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) return std::nullopt;
  return FormatGenerationName(local, GenerationNameFormat().c_str());
}

// Tells this run's staging entry apart from any other run's, in this
// process or another.
std::string RunId() {
  static std::atomic<unsigned> counter{0};
  char id[64];
  std::snprintf(id, sizeof id, "%lx-%llx-%x", GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()), counter.fetch_add(1));
  return id;
}

// "X could not be made" with the system's reason when there is one.
Message CreateFailed(const std::string& path, DWORD code = 0) {
  Message failed = Message::Of(IDS_CREATE_FAILED, path);
  return code == 0 ? failed : Message::Of(IDS_WITH_REASON, std::move(failed), fileutil::ErrorString(code));
}

// Texts that name a path inside the staging entry name it as the user will
// find it: inside the generation.
std::string ShownAs(std::string text, const std::string& staging, const std::string& shown) {
  for (std::size_t at = text.find(staging); at != std::string::npos; at = text.find(staging, at + shown.size())) {
    text.replace(at, staging.size(), shown);
  }
  return text;
}

// Renames an entry of the save folder; never replaces anything. Returns the
// system's error code, 0 on success.
DWORD Rename(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
}

struct StagedEntry {
  std::wstring name;
  StagingName staging;
  bool folder = false;
};

// The staging entries directly inside the save folder.
std::vector<StagedEntry> FindStagedEntries(const std::wstring& save) {
  std::vector<StagedEntry> found;
  WIN32_FIND_DATAW data;
  fileutil::FindHandle find(FindFirstFileW(fileutil::JoinWide(save, L"~Zelk*").c_str(), &data));
  if (!find.valid()) return found;
  do {
    if (auto staging = ParseStagingName(fileutil::ToAnsi(data.cFileName))) {
      found.push_back({data.cFileName, *staging, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    }
  } while (FindNextFileW(find.get(), &data));
  return found;
}

// The runs whose records lie directly inside the save folder.
std::vector<std::string> FindRunRecords(const std::wstring& save) {
  std::vector<std::string> runs;
  const std::wstring prefix = RunRecordName("");
  WIN32_FIND_DATAW data;
  fileutil::FindHandle find(FindFirstFileW(fileutil::JoinWide(save, prefix + L"*").c_str(), &data));
  if (!find.valid()) return runs;
  do {
    const std::wstring_view name = data.cFileName;
    if (name.size() > prefix.size()) runs.push_back(fileutil::ToAnsi(name.substr(prefix.size())));
  } while (FindNextFileW(find.get(), &data));
  return runs;
}

// The newest complete generation of a keep-N save folder, resolved: the last
// line of History.dat, when it names a folder directly inside the save
// folder. Empty when there is none.
std::wstring NewestGeneration(const COutFile& history, const CDeletionGate& gate) {
  if (history.GetLineCount() == 0 || gate.ResolvedSaveFolder().empty()) return {};
  const std::wstring resolved = fileutil::ResolvedPathA(history.ReadLineEx(1, history.GetLineCount()), true);
  if (resolved.empty() || !fileutil::SameWidePath(fileutil::ResolvedParent(resolved), gate.ResolvedSaveFolder())) {
    return {};
  }
  const DWORD attributes = GetFileAttributesW(resolved.c_str());
  const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  return folder ? resolved : std::wstring();
}

}  // namespace

bool CBackupEngine::RunBackup(bool mayStayUnchanged) {
  lastRun_ = {};
  host_.EnableControls(false);
  const bool failed = RunSteps(mayStayUnchanged);
  if (failed) lastRun_.result = RunResult::Failed;
  if (!failed) lastError_ = {};
  host_.EnableControls(true);
  return failed;
}

bool CBackupEngine::RunSteps(bool mayStayUnchanged) {
  RunFacts run;
  run.rows = host_.SnapshotTargets();
  run.mode = settings_.DefMode;
  run.plain = run.mode == PlainCopyMode();
  run.keepHistory = settings_.History != 0;
  if (CheckFormatAndName(run)) return true;
  const std::string& save = settings_.SavePath;
  if (!FolderExists(save) && !CreateDirectoryA(save.c_str(), nullptr)) {
    return Fail(Message::Of(IDS_SAVE_FOLDER_CREATE_FAILED));
  }
  if (auto refusal = TargetInSaveFolder(save, run.rows)) return Fail(*refusal);
  CDeletionGate gate(save, run.rows);
  // A save folder that must never be emptied is refused before any copy.
  if (!run.keepHistory && gate.Refusal()) return Fail(*gate.Refusal());
  if (RecoverSaveFolder(gate)) return true;
  if (NameGeneration(run, gate)) return true;

  PlanRun(run);
  if (mayStayUnchanged && settings_.SkipUnchanged && NothingChanged(run)) return false;
  // A name already taken (a run in the same second as the last) fails the
  // run; a run that found nothing changed takes no name.
  if ((run.keepHistory || !run.plain) && !fileutil::CheckFile(run.final)) return Fail(CreateFailed(run.final));
  // The run's record comes before its first staging entry and goes once
  // none is left, so that recovery knows the entries as this program's.
  if (DWORD code = WriteRunRecord(gate.ResolvedSaveFolder(), run.id); code != 0) {
    return Fail(CreateFailed(run.shown, code));
  }
  const bool failed = WriteAndCommit(run, gate);
  ForgetRun(gate, run.id);
  return failed;
}

bool CBackupEngine::WriteAndCommit(RunFacts& run, CDeletionGate& gate) {
  if (WriteGeneration(run, gate)) return true;
  // An archive run without an active target writes no archive: there is no
  // new generation, and the older ones stay as they are.
  if (!run.plain && GetFileAttributesW(run.stagingWide.c_str()) == INVALID_FILE_ATTRIBUTES) {
    lastRun_.generation.clear();
    return false;
  }
  if (CommitGeneration(run, gate)) return true;
  lastRun_.result = lastRun_.skipped.empty() ? RunResult::Success : RunResult::PartlyFailed;
  RecordState(run);
  return false;
}

bool CBackupEngine::CheckFormatAndName(RunFacts& run) {
  // The format and its library come before the save folder is looked at.
  if (!run.plain && FindArchiver(run.mode) == nullptr) return Fail(Message::Of(IDS_FORMAT_INVALID));
  if (!run.plain && IsArchiverUnavailable(run.mode)) return true;
  // The name is formed before anything on disk is touched.
  const std::optional<std::string> name = GenerationName(clock_ ? clock_() : std::time(nullptr));
  if (!name) return Fail(Message::Of(IDS_NAME_FAILED));
  run.generation = *name + (run.plain ? "" : FindArchiver(run.mode)->extension);
  return false;
}

bool CBackupEngine::NameGeneration(RunFacts& run, CDeletionGate& gate) {
  const std::string& save = settings_.SavePath;
  run.final = fileutil::JoinPath(save, run.generation);
  // Keep-none plain copies end up straight in the save folder.
  run.shown = run.plain && !run.keepHistory ? save : run.final;
  lastRun_.generation = run.shown;
  COutFile history(HistoryFileName());
  if (!history.GetErrorMsg().empty()) {
    return Fail(run.keepHistory ? Message(history.GetErrorMsg()) : Message::Of(IDS_HISTORY_OPEN_FAILED));
  }
  // The newest complete copy: the last generation listed (keep-N), or the
  // save folder's own content (keep none), which stays in place until the
  // new copy is complete.
  if (run.plain && !run.keepHistory) {
    run.newest = save;
    run.newestResolved = gate.ResolvedSaveFolder();
  } else if (history.GetLineCount() > 0) {
    run.newest = history.ReadLineEx(1, history.GetLineCount());
    if (run.plain) run.newestResolved = NewestGeneration(history, gate);
  }
  run.id = RunId();
  run.staging = fileutil::JoinPath(save, FormatStagingName(StagingState::Writing, run.id, run.generation));
  run.stagingWide = fileutil::ExtendedPath(run.staging);
  return false;
}

bool CBackupEngine::WriteGeneration(RunFacts& run, CDeletionGate& gate) {
  if (run.plain && !CreateDirectoryA(run.staging.c_str(), nullptr)) {
    return Fail(CreateFailed(run.shown, GetLastError()));
  }
  const bool failed = run.plain ? WritePlain(run) : WriteArchive(run);
  if (failed) {
    std::string ignored;
    gate.Delete(std::wstring_view(run.stagingWide), ignored);
    lastError_ = Message(ShownAs(text::ToText(lastError_), run.staging, run.shown));
  }
  return failed;
}

bool CBackupEngine::CommitGeneration(RunFacts& run, CDeletionGate& gate) {
  const std::wstring& stagingWide = run.stagingWide;
  if (run.keepHistory) {
    if (DWORD code = Rename(stagingWide, fileutil::ExtendedPath(run.final)); code != 0) {
      std::string ignored;
      gate.Delete(std::wstring_view(stagingWide), ignored);
      return Fail(CreateFailed(run.final, code));
    }
    COutFile history(HistoryFileName());
    if (ListGeneration(run.final, history)) {
      // Unlisted, it would never be pruned: it goes again.
      std::string ignored;
      gate.Delete(run.final, ignored);
      return true;
    }
    // Listed, it stays whatever the pruning meets: a failure there fails the
    // run with its reason and leaves the older generations to the next run.
    if (settings_.History != 0 && PruneHistory(history, gate)) return true;
    return false;
  }

  const std::wstring ready = ToWide(FormatStagingName(StagingState::Ready, run.id, run.generation));
  if (DWORD code = Rename(stagingWide, fileutil::JoinWide(gate.ResolvedSaveFolder(), ready)); code != 0) {
    std::string ignored;
    gate.Delete(std::wstring_view(stagingWide), ignored);
    return Fail(CreateFailed(run.shown, code));
  }
  std::string left;
  if (ReplacePreviousCopy(gate, ready, run.generation, left)) return true;
  return !left.empty() && Fail(left);
}

bool CBackupEngine::ReplacePreviousCopy(CDeletionGate& gate, const std::wstring& readyName,
                                        const std::string& generation, std::string& left) {
  const std::wstring save = gate.ResolvedSaveFolder();
  const std::wstring ready = fileutil::JoinWide(save, readyName);
  const DWORD attributes = GetFileAttributesW(ready.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (gate.Refusal()) return Fail(*gate.Refusal());
  // Everything else in the save folder is the previous copy (or the user's
  // own files, which this mode has always emptied). An entry that cannot be
  // deleted keeps its older version: the swap still ends with one whole
  // copy in sight, and left names that entry.
  const std::optional<StagingName> staging = ParseStagingName(fileutil::ToAnsi(readyName));
  const std::string run = staging ? staging->run : "0";
  gate.Empty(left, {readyName, RunRecordName(run)});

  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    // An archive takes its final name and is the one generation listed.
    const std::string final = fileutil::JoinPath(settings_.SavePath, generation);
    if (DWORD code = Rename(ready, fileutil::JoinWide(save, ToWide(generation))); code != 0) {
      return Fail(CreateFailed(final, code));
    }
    COutFile history(HistoryFileName());
    if (!history.GetErrorMsg().empty()) return Fail(Message::Of(IDS_HISTORY_OPEN_FAILED));
    if (history.ReplaceAll({final})) return Fail(Message::Of(IDS_HISTORY_WRITE_ERROR));
    return false;
  }

  const std::wstring moving = ToWide(FormatStagingName(StagingState::Moving, run, generation));
  if (DWORD code = Rename(ready, fileutil::JoinWide(save, moving)); code != 0) {
    return Fail(CreateFailed(settings_.SavePath, code));
  }
  return MoveUpIntoSaveFolder(gate, moving);
}

bool CBackupEngine::MoveUpIntoSaveFolder(CDeletionGate& gate, const std::wstring& movingName) {
  const std::wstring moving = fileutil::JoinWide(gate.ResolvedSaveFolder(), movingName);
  // What the older copy still holds under the same name stays in its place;
  // its new version goes with the emptied staging entry.
  fileutil::MessageBuffer msg{};
  if (fileutil::MergeFiles(fileutil::JoinPath(settings_.SavePath, fileutil::ToAnsi(movingName)),
                           settings_.SavePath, msg)) {
    return Fail(fileutil::MessageText(msg));
  }
  std::string reason;
  if (gate.Delete(std::wstring_view(moving), reason) == CDeletionGate::Outcome::Failed) {
    return Fail(Message::Of(IDS_DELETE_FAILED, reason));
  }
  COutFile history(HistoryFileName());
  if (!history.GetErrorMsg().empty()) return Fail(Message::Of(IDS_HISTORY_OPEN_FAILED));
  if (history.Clear()) return Fail(Message::Of(IDS_HISTORY_CLEAR_FAILED));
  return false;
}

bool CBackupEngine::RecoverSaveFolder() {
  CDeletionGate gate(settings_.SavePath, host_.SnapshotTargets());
  return RecoverSaveFolder(gate);
}

bool CBackupEngine::RecoverSaveFolder(CDeletionGate& gate) {
  const std::wstring& save = gate.ResolvedSaveFolder();
  if (save.empty()) return false;
  for (const StagedEntry& entry : FindStagedEntries(save)) {
    // Only what a run of this program made: an entry that just carries such
    // a name is the user's (or a target's copy) and is left alone.
    if (!HasRunRecord(save, entry.staging.run)) continue;
    const std::wstring path = fileutil::JoinWide(save, entry.name);
    switch (entry.staging.state) {
      case StagingState::Writing: {
        // One that cannot be deleted now (a file in it held open) stays,
        // with its record, for the next run: no run waits on it.
        std::string ignored;
        gate.Delete(std::wstring_view(path), ignored);
        break;
      }
      case StagingState::Ready: {
        // An entry of the older copy still held keeps its older version; the
        // run's own replacement names it.
        std::string left;
        if (ReplacePreviousCopy(gate, entry.name, entry.staging.generation, left)) return true;
        break;
      }
      case StagingState::Moving:
        if (MoveUpIntoSaveFolder(gate, entry.name)) return true;
        break;
    }
  }
  for (const std::string& run : FindRunRecords(save)) ForgetRun(gate, run);
  return false;
}

void CBackupEngine::ForgetRun(CDeletionGate& gate, const std::string& run) {
  const std::wstring& save = gate.ResolvedSaveFolder();
  for (const StagedEntry& entry : FindStagedEntries(save)) {
    if (entry.staging.run == run) return;
  }
  if (!HasRunRecord(save, run)) return;
  std::string ignored;
  gate.Delete(std::wstring_view(fileutil::JoinWide(save, RunRecordName(run))), ignored);
}

}  // namespace zelk::engine

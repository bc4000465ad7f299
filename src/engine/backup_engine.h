// CBackupEngine: one backup run and the history of generations, working on
// the settings record and the target rows of the window that owns it. No
// window is needed: the owner plugs in through IRunHost.
//
// Operations that can fail return true on failure and leave the reason in the
// last-error text; on success they empty it (except where noted).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "engine/deletion_gate.h"
#include "engine/run_host.h"
#include "fileutil/directory_ops.h"
#include "settings/settings.h"
#include "text/message.h"

namespace zelk::fileutil {
class COutFile;
}

namespace zelk::engine {

struct RunFacts;

// The history file's name (IDS_HISTORY), opened bare in the current
// directory.
std::string HistoryFileName();
// strftime format of a generation's name (IDS_GENERATION_FORMAT).
std::string GenerationNameFormat();

// How a run ended. PartlyFailed: a generation was made, but some sources
// could not be read and were left out (or carried from the newest complete
// generation). Unchanged: nothing changed since the newest complete
// generation, so none was made.
enum class RunResult { Success, PartlyFailed, Failed, Unchanged };

// A source a run could not read: its path as the user knows it, the reason
// (the system's or the archiver's own text), and whether the generation
// holds its most recent earlier copy instead.
struct SkippedSource {
  std::string path;
  std::string reason;
  bool carried = false;
  bool folder = false;  // a folder that could not be listed (or a folder target that is gone)
};

// What a run made, failed or not: the generation's path as the user finds it
// (the save folder itself for plain copies that keep no past backups; empty
// when the run stopped before naming it), and what it wrote: the files it
// copied and their sizes, or for an archive the files of each target the
// library added and their sizes before compression. Files shared with the
// previous generation by hard links are not written.
struct RunOutput {
  RunResult result = RunResult::Success;
  std::string generation;
  fileutil::CopyTally written;
  // Left out by the exclusion patterns.
  fileutil::CopyTally excluded;
  // Links and junctions inside the targets, kept out of the generation.
  std::uint64_t linksNotEntered = 0;
  // Sources that could not be read, in the order met.
  std::vector<SkippedSource> skipped;
  // The generation was read back and compared before it was named.
  bool verified = false;
};

// The caption of a partly failed run's box: the first skipped path with its
// reason in full-width parentheses, then "ほか<N>件" for the others.
std::string SkippedCaption(const std::vector<SkippedSource>& skipped);

class CBackupEngine {
 public:
  CBackupEngine(settings::CSettings& settings, IRunHost& host);
  CBackupEngine(const CBackupEngine&) = delete;
  CBackupEngine& operator=(const CBackupEngine&) = delete;

  // Makes one new generation of the active targets under the save folder.
  // True on failure; a partly failed or unchanged run is not a failure
  // (LastRunOutput().result tells them apart). mayStayUnchanged: with the
  // SkipUnchanged option on, a run that finds nothing changed since the
  // newest complete generation makes none (timed runs and the last backup at
  // exit; a backup asked for now always makes one).
  bool RunBackup(bool mayStayUnchanged = false);

  // History of generations (History.dat). RecordGeneration appends a
  // complete generation, then deletes the oldest ones while more than
  // HistoryNum are listed (keep-N); PruneHistory does the latter alone.
  // Deletions go through the deletion gate; a generation that cannot be
  // deleted now (a file in it is open) stays listed and is tried again later.
  bool RecordGeneration(const std::string& path);
  bool PruneHistory();
  // Empties the save folder through the deletion gate and the history file.
  bool ClearBackups();

  // Finishes what an interrupted run left in the save folder: removes its
  // staging entries and completes a replacement of the previous copy (keep
  // none) that was under way. True on failure.
  bool RecoverSaveFolder();

  // Archiver libraries by save format (1 zip, 2 lzh).
  bool IsArchiverUnavailable(int format);

  // The target rows as they stand (taken on the thread that owns them).
  std::vector<targets::TargetEntry> Targets() { return host_.SnapshotTargets(); }

  // The clock that names generations (tests set their own).
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

  // The window side the runs report to (enabling the controls again after a
  // run that ended in an exception).
  IRunHost& Host() { return host_; }

  // The hard-link call of runs that share unchanged files (tests set one that
  // fails); empty: the system's.
  void SetLinkFunction(unsigned long (*link)(const wchar_t*, const wchar_t*)) { linkFunction_ = link; }

  // The threads a plain copy uses (0: one per logical processor the process
  // may run on), and how a run waits before trying a locked source again
  // (tests count instead of sleeping).
  void SetCopyThreads(int threads) { copyThreads_ = threads; }
  void SetRetryWait(std::function<void(unsigned)> wait) { retryWait_ = std::move(wait); }
  // Called with the staging entry once it is complete, before it is read
  // back and named (tests damage it there).
  void SetAfterWrite(std::function<void(const std::wstring&)> hook) { afterWrite_ = std::move(hook); }
  // Called once the new generation is listed, before older ones are pruned
  // (tests make History.dat fail there).
  void SetBeforePrune(std::function<void()> hook) { beforePrune_ = std::move(hook); }

  // The reason of the last failure as a string-table id with its arguments,
  // and as the text made from it.
  const text::Message& LastError() const { return lastError_; }
  std::string GetLastErrorText() const;

  // What the last RunBackup made (read on the thread that ran it).
  const RunOutput& LastRunOutput() const { return lastRun_; }
  void SetLastErrorText(std::string text) { lastError_ = std::move(text); }

 private:
  bool Fail(text::Message reason);
  // The steps of one run, in order (backup_run.cpp, run_write.cpp).
  bool RunSteps(bool mayStayUnchanged);
  bool CheckFormatAndName(RunFacts& run);
  bool NameGeneration(RunFacts& run, CDeletionGate& gate);
  void PlanRun(RunFacts& run);
  bool NothingChanged(RunFacts& run);
  bool WriteAndCommit(RunFacts& run, CDeletionGate& gate);
  bool WriteGeneration(RunFacts& run, CDeletionGate& gate);
  bool WritePlain(RunFacts& run);
  bool WriteArchive(RunFacts& run);
  bool CommitGeneration(RunFacts& run, CDeletionGate& gate);
  void RecordState(const RunFacts& run);
  // Appends a complete generation's line to History.dat.
  bool ListGeneration(const std::string& path, fileutil::COutFile& file);
  bool PruneHistory(fileutil::COutFile& file, CDeletionGate& gate);
  bool RecoverSaveFolder(CDeletionGate& gate);
  // Removes the record of run once no staging entry of it is left.
  void ForgetRun(CDeletionGate& gate, const std::string& run);
  // The last steps of a run that keeps no past backups: the complete new
  // copy (a "~ZelkReady." entry) replaces everything else in the save folder.
  // An entry of the older copy that could not be deleted keeps its place,
  // and left names the first one with its reason (not a failure here).
  bool ReplacePreviousCopy(CDeletionGate& gate, const std::wstring& readyName,
                           const std::string& generation, std::string& left);
  bool MoveUpIntoSaveFolder(CDeletionGate& gate, const std::wstring& movingName);
  static constexpr int PlainCopyMode() { return settings::PlainCopy; }

  settings::CSettings& settings_;
  IRunHost& host_;
  text::Message lastError_;
  RunOutput lastRun_;
  std::function<std::time_t()> clock_;
  unsigned long (*linkFunction_)(const wchar_t*, const wchar_t*) = nullptr;
  int copyThreads_ = 0;
  std::function<void(unsigned)> retryWait_;
  std::function<void(const std::wstring&)> afterWrite_;
  std::function<void()> beforePrune_;
};

}  // namespace zelk::engine

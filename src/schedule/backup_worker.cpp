// The worker thread of one backup run, and the missing-target step it shares
// with the last backup at exit.
#include <algorithm>

#include "engine/exception_reason.h"
#include "res/resource.h"
#include "schedule/backup_scheduler.h"
#include "text/string_table.h"

namespace zelk::schedule {

DWORD WINAPI CBackupScheduler::BackupWorker(LPVOID param) {
  auto* scheduler = static_cast<CBackupScheduler*>(param);
  bool failureShown = false;
  try {
    scheduler->WorkerRun(failureShown);
  } catch (...) {
    // Only the failure box or the last requests to the user-interface thread
    // can get here. Nothing may leave a thread procedure: the controls and
    // the schedule are put back, and the failure is not left unsaid.
    scheduler->EnableControlsAfterException();
    if (!failureShown) {
      try {
        const std::string reason = engine::CurrentExceptionReason();
        scheduler->host_.Ask(IDS_SCHED_BACKUP_FAILED, reason.empty() ? std::string(engine::OutOfMemoryText()) : reason,
                             MB_OK | MB_ICONERROR);
      } catch (...) {
        // Not even the box could be made: the reason alone, without
        // anything that allocates.
        MessageBoxA(scheduler->Owner(), engine::OutOfMemoryText(), nullptr, MB_OK | MB_ICONERROR);
      }
    }
    try {
      scheduler->host_.RunOnUiThread([scheduler] { scheduler->RearmAfterRun(); });
    } catch (...) {
    }
  }
  return 0;
}

void CBackupScheduler::EnableControlsAfterException() noexcept {
  try {
    engine_.Host().EnableControls(true);
  } catch (...) {
    // The controls stay as they are; the failure box still comes.
  }
}

CBackupScheduler::MissingStep CBackupScheduler::AskAboutMissingTargets(std::string& stopReason) {
  // The rows are walked on the user-interface thread, between two of its
  // messages: nothing moves under the walk, and a removal removes exactly
  // the rows that are missing at that moment, wherever the user has moved
  // them while the question was open.
  bool missing = false;
  std::string missingPath;
  host_.RunOnUiThread([&] {
    missing = list_.VerifyTargets(false);
    if (missing) missingPath = list_.GetLastErrorText();
  });
  if (!missing) return MissingStep::Run;

  // Only the first missing entry in list order is named.
  if (host_.Ask(IDS_SCHED_REMOVE_MISSING, BoxText(missingPath, IDS_SCHED_NOT_FOUND_SUFFIX),
                MB_YESNO | MB_ICONERROR) != IDYES) {
    // Keeping the entries skips this run: it would fail at the missing entry
    // after the history step had already pruned a good generation.
    stopReason = missingPath + text::LoadText(IDS_SCHED_NOT_FOUND_SUFFIX);
    return MissingStep::Skip;
  }
  bool removeFailed = false;
  std::string removeError;
  host_.RunOnUiThread([&] {
    removeFailed = list_.VerifyTargets(true);
    if (removeFailed) removeError = list_.GetLastErrorText();
  });
  if (!removeFailed) return MissingStep::Run;
  host_.Ask(removeError, IDS_SCHED_ERROR_CAPTION, MB_OK | MB_ICONERROR);
  stopReason = removeError;
  return MissingStep::RemoveFailed;
}

std::string CBackupScheduler::FirstMissingTarget() {
  std::string missingPath;
  host_.RunOnUiThread([&] {
    if (list_.VerifyTargets(false)) missingPath = list_.GetLastErrorText();
  });
  return missingPath;
}

RunEnd CBackupScheduler::RunEngine(bool mayStayUnchanged, const std::string& firstMissing, std::string& reason) {
  // This thread owns the engine's last-error text until it ends.
  if (engine_.RunBackup(mayStayUnchanged)) {
    reason = engine_.GetLastErrorText();
    return RunEnd::Failed;
  }
  const engine::RunOutput& output = engine_.LastRunOutput();
  switch (output.result) {
    case engine::RunResult::PartlyFailed: {
      // A missing target the run went on without is what the user must hear
      // of first.
      std::vector<engine::SkippedSource> skipped = output.skipped;
      std::stable_partition(skipped.begin(), skipped.end(), [&](const engine::SkippedSource& s) {
        return !firstMissing.empty() && s.path == firstMissing;
      });
      reason = engine::SkippedCaption(skipped);
      return RunEnd::PartlyFailed;
    }
    case engine::RunResult::Unchanged:
      return RunEnd::Unchanged;
    case engine::RunResult::Failed:
      reason = engine_.GetLastErrorText();
      return RunEnd::Failed;
    case engine::RunResult::Success:
      break;
  }
  return RunEnd::Success;
}

void CBackupScheduler::ShowTroubleBox(RunEnd end, const std::string& reason, const BoxText& failureText,
                                      const BoxText& failureCaption) {
  if (end == RunEnd::Failed) host_.Ask(failureText, failureCaption, MB_OK | MB_ICONERROR);
  if (end == RunEnd::PartlyFailed) host_.Ask(IDS_PARTLY_FAILED, reason, MB_OK | MB_ICONWARNING);
}

RunLogWords CBackupScheduler::LogWords() {
  RunLogWords words;
  words.timed = text::LoadText(IDS_LOG_TIMED);
  words.now = text::LoadText(IDS_LOG_NOW);
  words.atExit = text::LoadText(IDS_LOG_AT_EXIT);
  words.plain = text::LoadText(IDS_LOG_PLAIN);
  words.zip = text::LoadText(IDS_LOG_ZIP);
  words.lzh = text::LoadText(IDS_LOG_LZH);
  words.keepNone = text::LoadText(IDS_LOG_KEEP_NONE);
  words.keepSuffix = text::LoadText(IDS_LOG_KEEP_SUFFIX);
  words.success = text::LoadText(IDS_LOG_SUCCESS);
  words.failure = text::LoadText(IDS_LOG_FAILURE);
  words.partlyFailed = text::LoadText(IDS_LOG_PARTLY_FAILED);
  words.unchanged = text::LoadText(IDS_LOG_UNCHANGED);
  words.verified = text::LoadText(IDS_LOG_VERIFIED);
  words.excluded = text::LoadText(IDS_LOG_EXCLUDED);
  words.links = text::LoadText(IDS_LOG_LINKS);
  words.carried = text::LoadText(IDS_LOG_CARRIED);
  words.notCarried = text::LoadText(IDS_LOG_NOT_CARRIED);
  return words;
}

void CBackupScheduler::LogRun(TimedRun& run, RunEnd end, const std::string& reason, bool ran, bool timed) noexcept {
  try {
    const RunLogRecord& record = run.Finish(end, reason, ran ? &engine_.LastRunOutput() : nullptr);
    AppendToRunLog(kRunLogFileName, FormatRunLogLines(record, LogWords()));
    const LastRun last = LastRunOf(record);
    host_.RunOnUiThread([this, &last] { host_.ShowLastRun(last); });
  } catch (...) {
    // The run's own outcome stands; only its trace is missing.
  }
  if (!timed || !IsTrouble(end)) return;
  try {
    const RunNotice notice{end == RunEnd::Failed ? UINT{IDS_SCHED_BACKUP_FAILED} : UINT{IDS_PARTLY_FAILED}, reason,
                           end == RunEnd::PartlyFailed};
    host_.RunOnUiThread([this, &notice] { host_.Notify(notice); });
  } catch (...) {
    // The tip and the icon still tell it.
  }
}

std::optional<LastRun> CBackupScheduler::LastRunFromLog() {
  try {
    return LastRunInLog(kRunLogFileName, LogWords());
  } catch (...) {
    return std::nullopt;
  }
}

void CBackupScheduler::WorkerRun(bool& failureShown) {
  // The mark belongs to the run it was set for, whatever its outcome: a
  // later timed run never shows the completion box.
  const bool requested = backupNow_.exchange(false);
  // A timed run with NotifyOnly on shows and asks nothing: the user may be
  // away, and the schedule goes on as soon as the run has ended.
  const bool quiet = !requested && settings_.NotifyOnly;
  TimedRun run(requested ? RunTrigger::Now : RunTrigger::Timed, settings_);

  RunEnd end = RunEnd::Failed;
  bool ran = false;
  std::string reason;
  std::string firstMissing;
  try {
    if (quiet) {
      // The run goes on without the missing targets, which stay listed.
      firstMissing = FirstMissingTarget();
    } else {
      switch (AskAboutMissingTargets(reason)) {
        case MissingStep::RemoveFailed:
          LogRun(run, RunEnd::Failed, reason, false, !requested);
          host_.RunOnUiThread([this] { RestoreFromTray(); });
          return;
        case MissingStep::Skip:
          LogRun(run, RunEnd::Failed, reason, false, !requested);
          host_.RunOnUiThread([this] { RearmAfterRun(); });
          return;
        case MissingStep::Run:
          break;
      }
    }
    run.StartOver();
    ran = true;
    // Only a run the user asked for now always makes a generation.
    end = RunEngine(!requested, firstMissing, reason);
  } catch (...) {
    // A run that ended in an exception (out of memory, or one carried over
    // from the user-interface thread) has failed like any other: the
    // controls it disabled come back and the user hears why.
    end = RunEnd::Failed;
    reason = engine::CurrentExceptionReason();
    EnableControlsAfterException();
  }
  // The log has the run before its box is shown: a box left open overnight
  // is already on record.
  LogRun(run, end, reason, ran, !requested);
  // Told by its notification when quiet, else by its box.
  failureShown = IsTrouble(end);
  if (!quiet) ShowTroubleBox(end, reason, IDS_SCHED_BACKUP_FAILED, reason);
  // The next interval counts from here: after the run, and after the user
  // has closed its box.
  host_.RunOnUiThread([this] { RearmAfterRun(); });
  if (end == RunEnd::Success && requested) host_.Tell(IDS_SCHED_BACKUP_DONE, MB_OK);
}
}  // namespace zelk::schedule

// The worker thread of one backup run, and the missing-target step it shares
// with the last backup at exit.
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

RunLogWords CBackupScheduler::LogWords() {
  return {text::LoadText(IDS_LOG_TIMED),     text::LoadText(IDS_LOG_NOW),       text::LoadText(IDS_LOG_AT_EXIT),
          text::LoadText(IDS_LOG_PLAIN),     text::LoadText(IDS_LOG_ZIP),       text::LoadText(IDS_LOG_LZH),
          text::LoadText(IDS_LOG_KEEP_NONE), text::LoadText(IDS_LOG_KEEP_SUFFIX), text::LoadText(IDS_LOG_SUCCESS),
          text::LoadText(IDS_LOG_FAILURE)};
}

void CBackupScheduler::LogRun(TimedRun& run, bool failed, const std::string& reason, bool ran) noexcept {
  try {
    const RunLogRecord& record = run.Finish(failed, reason, ran ? &engine_.LastRunOutput() : nullptr);
    AppendToRunLog(kRunLogFileName, FormatRunLogLine(record, LogWords()));
    const LastRun last = LastRunOf(record);
    host_.RunOnUiThread([this, &last] { host_.ShowLastRun(last); });
  } catch (...) {
    // The run's own outcome stands; only its trace is missing.
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
  TimedRun run(requested ? RunTrigger::Now : RunTrigger::Timed, settings_);

  bool failed = false;
  bool ran = false;
  std::string reason;
  try {
    switch (AskAboutMissingTargets(reason)) {
      case MissingStep::RemoveFailed:
        LogRun(run, true, reason, false);
        host_.RunOnUiThread([this] { RestoreFromTray(); });
        return;
      case MissingStep::Skip:
        LogRun(run, true, reason, false);
        host_.RunOnUiThread([this] { RearmAfterRun(); });
        return;
      case MissingStep::Run:
        break;
    }
    run.StartOver();
    ran = true;
    // This thread owns the engine's last-error text until it ends.
    failed = engine_.RunBackup();
    if (failed) reason = engine_.GetLastErrorText();
  } catch (...) {
    // A run that ended in an exception (out of memory, or one carried over
    // from the user-interface thread) has failed like any other: the
    // controls it disabled come back and the user hears why.
    failed = true;
    reason = engine::CurrentExceptionReason();
    EnableControlsAfterException();
  }
  // The log has the run before its box is shown: a box left open overnight
  // is already on record.
  LogRun(run, failed, reason, ran);
  if (failed) {
    failureShown = true;
    host_.Ask(IDS_SCHED_BACKUP_FAILED, reason, MB_OK | MB_ICONERROR);
  }
  // The next interval counts from here: after the run, and after the user
  // has closed the failure box.
  host_.RunOnUiThread([this] { RearmAfterRun(); });
  if (!failed && requested) host_.Tell(IDS_SCHED_BACKUP_DONE, MB_OK);
}
}  // namespace zelk::schedule

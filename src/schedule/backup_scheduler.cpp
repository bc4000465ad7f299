#include "schedule/backup_scheduler.h"

#include "engine/deletion_gate.h"
#include "engine/exception_reason.h"
#include "engine/interval.h"
#include "fileutil/directory_ops.h"
#include "res/resource.h"
#include "targets/target_entry.h"

namespace zelk::schedule {

using fileutil::FolderExists;

CBackupScheduler::CBackupScheduler(settings::CSettings& settings, engine::CBackupEngine& engine,
                                   targets::CTargetList& list, IScheduleHost& host)
    : settings_(settings), engine_(engine), list_(list), host_(host) {}

CBackupScheduler::~CBackupScheduler() {
  // The worker uses this object to its end. While it runs, requests it sends
  // to this thread are served (they fail at once when the window is gone).
  HANDLE worker = worker_.get();
  while (worker != nullptr &&
         MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void CBackupScheduler::LoadStoppedFlag() {
  stopped_ = settings::LoadStopped();
}

bool CBackupScheduler::IsBackupRunning() const {
  if (exitRunActive_) return true;
  if (worker_.get() == nullptr) return false;
  DWORD code = 0;
  return GetExitCodeThread(worker_.get(), &code) && code == STILL_ACTIVE;
}

void CBackupScheduler::StartWorker() {
  if (exiting_ || IsBackupRunning()) return;
  KillBackupTimer();
  HANDLE thread = CreateThread(nullptr, 0, &CBackupScheduler::BackupWorker, this, CREATE_SUSPENDED, nullptr);
  if (thread == nullptr) {
    // No run: the mark goes with it, and the schedule goes on.
    backupNow_ = false;
    RearmAfterRun();
    return;
  }
  // Stored before the thread can run, so IsBackupRunning sees it at once.
  worker_.Reset(thread);
  ResumeThread(thread);
}

std::int32_t CBackupScheduler::GetIntervalMillis() const {
  return engine::IntervalMillis(settings_.SaveTimeNum, settings_.SaveTimeTani);
}

void CBackupScheduler::OnTimer(UINT_PTR id) {
  if (id != BACKUP_TIMER_ID) return;
  // A tick that was already queued when the timer was killed, or one that
  // comes in window mode, starts nothing.
  if (!timerArmed_ || !inTray_ || stopped_) return;
  StartWorker();
}

void CBackupScheduler::BackupNow() {
  if (IsBackupRunning()) {
    host_.Ask(IDS_SCHED_PLEASE_WAIT, IDS_SCHED_COPYING, MB_OK);
    return;
  }
  if (exiting_) return;  // the program is ending
  backupNow_ = true;
  StartWorker();
}

void CBackupScheduler::StartBackupTimer() {
  if (exiting_) return;
  if (list_.Rows().empty()) {
    host_.Tell(IDS_SCHED_NO_TARGETS, MB_OK);
    return;
  }
  list_.SyncMarks();
  bool anyActive = false;
  for (const targets::TargetRow& row : list_.Rows().rows()) {
    anyActive = anyActive || targets::IsActiveMark(static_cast<int>(row.itemData));
  }
  if (!anyActive) {
    host_.Tell(IDS_SCHED_NO_ACTIVE_TARGETS, MB_OK);
    return;
  }
  if (list_.VerifyTargets(false)) {
    const std::string missing = list_.GetLastErrorText();
    if (host_.Ask(IDS_SCHED_REMOVE_MISSING, missing, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (list_.VerifyTargets(true)) {
      host_.Tell(list_.GetLastErrorText(), MB_OK);
      return;
    }
  }
  if (!FolderExists(settings_.SavePath) && !CreateDirectoryA(settings_.SavePath.c_str(), nullptr)) {
    host_.Ask(IDS_SCHED_SAVE_FOLDER_MISSING, settings_.SavePath, MB_OK);
    return;
  }
  if (auto refusal = engine::TargetInSaveFolder(settings_.SavePath, list_.SnapshotForBackup())) {
    host_.Ask(*refusal, IDS_SCHED_ERROR_CAPTION, MB_OK | MB_ICONERROR);
    return;
  }
  HideToTray();
  if (!stopped_) {
    while (!ArmTimer()) {
      if (host_.Ask(IDS_SCHED_TIMER_FAILED, IDS_SCHED_INTERNAL_ERROR, MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) {
        return;
      }
    }
  }
  if (list_.SaveList()) {
    host_.Ask(IDS_SCHED_LIST_WRITE_FAILED, list_.GetLastErrorText(), MB_OK | MB_ICONERROR);
    return;
  }
  if (settings_.StartBackup) StartWorker();
}

void CBackupScheduler::ExitBackup() {
  if (IsBackupRunning()) {
    host_.Ask(IDS_SCHED_CANNOT_EXIT_COPYING, IDS_SCHED_PLEASE_WAIT, MB_OK);
    return;
  }
  BeginExit();
  // The program leaves the tray now: a new task bar puts no icon up, and
  // nothing re-arms a timer.
  inTray_ = false;
  if (settings_.EndBackup) {
    // The last run blocks this thread; message boxes shown meanwhile still
    // dispatch messages, so the run counts as in progress for every command
    // that could arrive through them.
    exitRunActive_ = true;
    TimedRun run(RunTrigger::AtExit, settings_);
    RunEnd end = RunEnd::Failed;
    bool stopped = false;
    bool ran = false;
    std::string reason;
    try {
      // A failed removal has shown its box; the last run still goes on.
      stopped = AskAboutMissingTargets(reason) == MissingStep::Skip;
      if (!stopped) {
        reason.clear();
        run.StartOver();
        ran = true;
        end = RunEngine(true, {}, reason);
      }
    } catch (...) {
      EnableControlsAfterException();
      reason = engine::CurrentExceptionReason();
    }
    exitRunActive_ = false;
    LogRun(run, end, reason, ran, false);
    // Keeping a missing entry skips the last run without a box.
    if (!stopped) ShowTroubleBox(end, reason, IDS_SCHED_EXIT_BACKUP_FAILED, IDS_SCHED_ERROR_CAPTION);
  }
  host_.RemoveTrayIcon();
  host_.EndWithOk();
}

void CBackupScheduler::BeginExit() {
  exiting_ = true;
  KillBackupTimer();
}

bool CBackupScheduler::HideToTray() {
  host_.HideToTray(stopped_);
  inTray_ = true;
  return false;
}

void CBackupScheduler::RestoreFromTray() {
  KillBackupTimer();
  if (!inTray_) return;
  host_.RemoveTrayIcon();
  host_.RestoreFromTray();
  inTray_ = false;
  WriteStoppedFlag();
}

void CBackupScheduler::SetStopped(bool stopped) {
  if (stopped == stopped_) return;
  stopped_ = stopped;
  if (stopped_) {
    KillBackupTimer();
  } else if (inTray_) {
    ArmTimer();
  }
  WriteStoppedFlag();
}

void CBackupScheduler::KillBackupTimer() {
  host_.KillTimer();
  timerArmed_ = false;
}

bool CBackupScheduler::ArmTimer() {
  if (exiting_) return false;
  timerArmed_ = host_.ArmTimer(static_cast<UINT>(GetIntervalMillis()));
  return timerArmed_;
}

void CBackupScheduler::RearmAfterRun() {
  if (inTray_ && !stopped_) ArmTimer();
}

void CBackupScheduler::WriteStoppedFlag() const {
  settings::SaveStopped(stopped_);
}

}  // namespace zelk::schedule

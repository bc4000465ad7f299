// CBackupScheduler: when backup runs happen and on which thread. It keeps the
// run states of the main window (stopped flag, in-tray flag, backup-now mark,
// the worker thread) and drives the interval timer: each tick starts one run
// on a worker thread, and the worker arms the timer again one full interval
// after its run has ended, so runs never overlap.
//
// Every public operation is called on the user-interface thread (the thread
// of IScheduleHost::Window()). The worker reaches shared state only through
// IScheduleHost::RunOnUiThread; see docs/scheduling.md. The scheduler shows
// nothing itself: its questions and notices go to IScheduleHost::Ask by
// string-table id.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/backup_engine.h"
#include "schedule/run_log.h"
#include "schedule/schedule_host.h"
#include "settings/settings.h"
#include "targets/target_list.h"

namespace zelk::schedule {

class CBackupScheduler {
 public:
  CBackupScheduler(settings::CSettings& settings, engine::CBackupEngine& engine, targets::CTargetList& list,
                   IScheduleHost& host);
  // Waits for a worker that is still running (serving its requests to this
  // thread meanwhile). The exit paths refuse while a run is in progress, so
  // normally there is none.
  ~CBackupScheduler();
  CBackupScheduler(const CBackupScheduler&) = delete;
  CBackupScheduler& operator=(const CBackupScheduler&) = delete;

  // Reads the stopped flag from "Main"/"Stop" (missing: running).
  void LoadStoppedFlag();

  // True while a backup run is in progress: the last worker thread has not
  // ended (its exit code is still STILL_ACTIVE), or the last backup at exit
  // is being made on this thread.
  bool IsBackupRunning() const;
  // Starts one run on a new worker thread unless a run is in progress; kills
  // the timer first.
  void StartWorker();
  // The timer period for the current settings (see IntervalMillis).
  std::int32_t GetIntervalMillis() const;
  // For every WM_TIMER of the main window. A tick of BACKUP_TIMER_ID starts
  // a worker while the window is in the tray and the schedule not stopped.
  // The window procedure passes the message on to default handling after.
  void OnTimer(UINT_PTR id);

  // Commands: "今すぐBackup(&M)", "開始(&S)", the tray menu's "終了(&X)".
  void BackupNow();
  void StartBackupTimer();
  // When no run is in progress: the exit begins (BeginExit), the in-tray
  // flag is cleared, the last backup is made when EndBackup is set, the icon
  // is taken down and the window ends through its OK action.
  void ExitBackup();
  // The program is ending: the timer is killed and stays so, and no worker
  // starts any more. Every way out calls it before its last boxes.
  void BeginExit();
  bool IsExiting() const { return exiting_; }
  // For an end that does not go through ExitBackup (the session ending):
  // the host has taken the icon down, so the program is no longer in the
  // tray.
  void LeaveTrayForExit() { inTray_ = false; }

  // The state side of the tray. HideToTray: icon up and window hidden
  // (IScheduleHost::HideToTray), in-tray flag set; the timer is not
  // touched. Always answers false.
  bool HideToTray();
  // Kills the timer in every case; when in the tray, takes the icon down,
  // shows the window, clears the in-tray flag and writes "Main"/"Stop".
  void RestoreFromTray();
  // Pauses (true) or resumes (false) the periodic backup: pausing kills the
  // timer, resuming arms it with one full interval when in the tray. The
  // value is written to "Main"/"Stop" when it changes. A run in progress is
  // not affected.
  void SetStopped(bool stopped);
  // Kills the interval timer (for the main window's destruction).
  void KillBackupTimer();

  // The last run the run log tells of (its last line that reads as one), for
  // the tray tip after a restart; nullopt when there is none.
  std::optional<LastRun> LastRunFromLog();

  bool IsStopped() const { return stopped_; }
  bool IsInTray() const { return inTray_; }
  // Whether this scheduler has the timer armed.
  bool IsTimerArmed() const { return timerArmed_; }


 private:
  // Owner of the worker's thread handle.
  class ThreadHandle {
   public:
    ThreadHandle() = default;
    ~ThreadHandle() { Reset(nullptr); }
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;
    HANDLE get() const { return h_; }
    void Reset(HANDLE h) {
      if (h_ != nullptr) CloseHandle(h_);
      h_ = h;
    }

   private:
    HANDLE h_ = nullptr;
  };

  // What the missing-target step decided.
  enum class MissingStep { Run, Skip, RemoveFailed };

  // The worker thread procedure; its argument is the scheduler. Nothing
  // thrown in the run leaves it.
  static DWORD WINAPI BackupWorker(LPVOID param);
  // The sequence of one run on the worker thread (backup_worker.cpp).
  // failureShown tells the thread procedure whether the run's failure box
  // has been shown when an exception comes through.
  void WorkerRun(bool& failureShown);
  // After a run that ended in an exception: the controls the run disabled
  // are enabled again. Never throws.
  void EnableControlsAfterException() noexcept;
  // The missing-target question and removal before a run, on the calling
  // thread; the list itself is walked on the user-interface thread.
  // stopReason: what the box said when the step does not end in Run (the
  // question's caption for Skip, the removal's failure for RemoveFailed).
  MissingStep AskAboutMissingTargets(std::string& stopReason);
  // The first missing target in list order, without asking; empty when none.
  std::string FirstMissingTarget();
  // One engine run: how it ended, and the failure's text or the partly
  // failed run's caption in reason (naming firstMissing first when the run
  // left it out).
  RunEnd RunEngine(bool mayStayUnchanged, const std::string& firstMissing, std::string& reason);
  // The box of a run that failed (failureText with failureCaption, error
  // icon) or was partly failed ("一部のファイルを…" with reason as caption,
  // warning icon); nothing for any other end.
  void ShowTroubleBox(RunEnd end, const std::string& reason, const BoxText& failureText,
                      const BoxText& failureCaption);
  // The words of the log's lines, from the string table.
  RunLogWords LogWords();
  // Appends the ended run to the run log and shows it in the tray tip; the
  // engine's output counts when ran. A failed or partly failed timed run is
  // also told in a notification. Never fails the run: a log that cannot be
  // written is skipped.
  void LogRun(TimedRun& run, RunEnd end, const std::string& reason, bool ran, bool timed) noexcept;
  // Arms the timer with one full interval; true when armed.
  bool ArmTimer();
  // Arms the timer if in the tray and not stopped (after a run).
  void RearmAfterRun();
  void WriteStoppedFlag() const;
  HWND Owner() { return host_.Window(); }

  settings::CSettings& settings_;
  engine::CBackupEngine& engine_;
  targets::CTargetList& list_;
  IScheduleHost& host_;

  // Changed on the user-interface thread only.
  bool stopped_ = false;
  bool inTray_ = false;
  bool timerArmed_ = false;
  bool exitRunActive_ = false;
  bool exiting_ = false;
  ThreadHandle worker_;
  // Set by BackupNow before the worker starts, taken by that worker.
  std::atomic<bool> backupNow_{false};
};

}  // namespace zelk::schedule

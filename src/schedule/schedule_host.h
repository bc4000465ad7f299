// What the scheduler needs from the main window: its handle (owner of the
// interval timer), the questions and notices it puts to the user, a way to
// run code on the user-interface thread, the window side of the tray, and
// the OK action. The main window implements it; tests implement it on a
// hidden window.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/run_host.h"
#include "res/window_ids.h"
#include "schedule/run_log_line.h"

namespace zelk::schedule {

// One text of a box the schedule shows: `text` as it stands (a path, a
// reason), followed by the string-table text `id` (0: none). The schedule
// holds no text of its own; the host loads the ids.
struct BoxText {
  BoxText(UINT stringId) : id(stringId) {}  // NOLINT: a bare id is a text
  BoxText(std::string plain, UINT suffixId = 0) : text(std::move(plain)), id(suffixId) {}  // NOLINT
  std::string text;
  UINT id = 0;
};

// A timed run that failed or was partly failed, told without a box: the box's
// text (a string-table id), its caption as it stands, and whether it is a
// warning (partly failed) rather than an error.
struct RunNotice {
  UINT textId = 0;
  std::string caption;
  bool warning = false;
};

class IScheduleHost {
 public:
  virtual ~IScheduleHost() = default;

  // The main window: owner of the timer and of the boxes.
  virtual HWND Window() = 0;

  // Shows a message box owned by Window() with `text`, `caption` (none: the
  // application's name) and the MB_ flags, and returns the button pressed.
  // Called on any thread; the box blocks the calling thread.
  virtual int Ask(const BoxText& text, const std::optional<BoxText>& caption, UINT flags) = 0;
  // A box captioned with the application's name.
  int Tell(const BoxText& text, UINT flags) { return Ask(text, std::nullopt, flags); }

  // Runs `work` on the user-interface thread and returns once it has run.
  // Called on that thread, it runs `work` at once. The usual implementation
  // is SendToWindowThread(Window(), work). When the window no longer exists
  // the work does not run. An exception thrown by `work` reaches the caller
  // (it never leaves the window procedure).
  virtual void RunOnUiThread(const std::function<void()>& work) = 0;

  // The interval timer BACKUP_TIMER_ID on Window(); true when armed. Called
  // on the user-interface thread only.
  virtual bool ArmTimer(UINT millis) {
    return SetTimer(Window(), BACKUP_TIMER_ID, millis, nullptr) != 0;
  }
  virtual void KillTimer() { ::KillTimer(Window(), BACKUP_TIMER_ID); }

  // The window side of the tray, called by CBackupScheduler::HideToTray and
  // RestoreFromTray on the user-interface thread; the scheduler keeps the
  // flags, the timer and the "Main"/"Stop" key itself.
  // Puts the tray icon up with the icon and tip for `stopped`, then
  // minimises and hides the window.
  virtual void HideToTray(bool stopped) = 0;
  // Shows the window again (SW_SHOW, then SW_SHOWNORMAL); the icon has
  // already been taken down with RemoveTrayIcon.
  virtual void RestoreFromTray() = 0;
  // Takes the tray icon down; true on failure (the exit does not look).
  virtual bool RemoveTrayIcon() = 0;

  // The main window's OK action: saves the target list file and ends the
  // window.
  virtual void EndWithOk() = 0;

  // A run has ended, and the log has its line: the tray tip tells when and
  // how, and the tray icon carries a warning mark after a failed or partly
  // failed run. Called on the user-interface thread.
  virtual void ShowLastRun(const LastRun& last) { static_cast<void>(last); }
  // A notification of the tray icon that stops nothing (no box, no
  // question). Called on the user-interface thread.
  virtual void Notify(const RunNotice& notice) { static_cast<void>(notice); }
};

// What travels with kRunOnUiThreadMessage: the work, and the exception it
// ended in, carried back to the sending thread.
struct UiThreadWork {
  const std::function<void()>* work = nullptr;
  std::exception_ptr error;
};

// Sends `work` to the thread that owns `window` and waits until it has run
// there (a SendMessage of kRunOnUiThreadMessage). On that thread itself the
// window procedure is called directly. An exception of `work` is rethrown
// here, on the calling thread.
inline void SendToWindowThread(HWND window, const std::function<void()>& work) {
  UiThreadWork carried{&work, nullptr};
  SendMessageA(window, kRunOnUiThreadMessage, 0, reinterpret_cast<LPARAM>(&carried));
  if (carried.error) std::rethrow_exception(carried.error);
}

// For the window procedure: runs the work of a kRunOnUiThreadMessage and
// answers true, or answers false for any other message. The work's exception
// is caught here and handed back to the sender.
inline bool HandleRunOnUiThreadMessage(UINT message, LPARAM lParam) {
  if (message != kRunOnUiThreadMessage) return false;
  auto* carried = reinterpret_cast<UiThreadWork*>(lParam);
  if (carried == nullptr || carried->work == nullptr || !*carried->work) return true;
  try {
    (*carried->work)();
  } catch (...) {
    carried->error = std::current_exception();
  }
  return true;
}

// An IRunHost for runs made on the worker thread: each call of the run is
// carried out by `window` (the main window's own IRunHost) on the
// user-interface thread, so the rows and the controls are only ever touched
// there. The main window constructs its CBackupEngine with one of these.
class UiThreadRunHost : public engine::IRunHost {
 public:
  UiThreadRunHost(IScheduleHost& schedule, engine::IRunHost& window) : schedule_(schedule), window_(window) {}

  void EnableControls(bool enable) override {
    schedule_.RunOnUiThread([&] { window_.EnableControls(enable); });
  }
  std::vector<targets::TargetEntry> SnapshotTargets() override {
    std::vector<targets::TargetEntry> rows;
    schedule_.RunOnUiThread([&] { rows = window_.SnapshotTargets(); });
    return rows;
  }
  void* OwnerWindow() override { return window_.OwnerWindow(); }

 private:
  IScheduleHost& schedule_;
  engine::IRunHost& window_;
};

}  // namespace zelk::schedule

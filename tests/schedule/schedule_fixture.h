// A scheduler on a hidden window of the test thread, which plays the
// user-interface thread: it serves the worker's requests and the timer
// ticks while the test waits in PumpUntil. Message boxes are scripted and
// recorded; a box can be held open until the test releases it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
// <chrono> itself does not compile with -fexec-charset=CP932 (its "μs"
// literal); steady_clock and durations come with <condition_variable>.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "schedule/backup_scheduler.h"
#include "schedule/schedule_host.h"
#include "settings/profile.h"
#include "targets/target_list.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_text.h"
#include "win_temp_dir.h"

namespace zelk::testing {

using Clock = std::chrono::steady_clock;
using schedule::CBackupScheduler;

inline long long MillisBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// Generous limit for anything the test waits for.
inline constexpr DWORD kWaitLimitMs = 20000;

// Dispatches this thread's messages until done() or the limit; true when done.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = kWaitLimitMs) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (Clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Dispatches messages for a fixed time (for checks that nothing happens).
inline void PumpFor(DWORD millis) { PumpUntil([] { return false; }, millis); }

struct Box {
  std::string text;
  std::string caption;
  UINT flags;
  HWND owner;
  DWORD thread;
};

// The message box handler: records every box and answers it. Boxes whose
// text is held stay open (the showing thread blocks) until Release.
class ScriptedBoxes {
 public:
  ScriptedBoxes() {
    ui::SetMessageBoxHandler([this](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
      return Show(owner, text, caption, flags);
    });
  }
  ~ScriptedBoxes() {
    ReleaseAll();
    ui::SetMessageBoxHandler({});
  }
  ScriptedBoxes(const ScriptedBoxes&) = delete;
  ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

  // The answer to boxes with this text (default: IDOK, IDYES for Yes/No,
  // IDRETRY for Retry/Cancel).
  void Answer(const std::string& text, int answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({text, answer});
  }
  // Runs on the showing thread while a box with this text is shown.
  void OnShow(const std::string& text, std::function<void()> action) {
    std::lock_guard<std::mutex> lock(mutex_);
    actions_.push_back({text, std::move(action)});
  }
  void Hold(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = text;
  }
  // Lets the boxes held so far close; later ones are held again.
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = holding_;
    changed_.notify_all();
  }
  void ReleaseAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_.clear();
    released_ = holding_;
    changed_.notify_all();
  }
  // Boxes with this text now being held open.
  int HoldingCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return holding_ - released_;
  }
  std::vector<Box> Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }
  int Count(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const Box& box : shown_) n += box.text == text ? 1 : 0;
    return n;
  }

 private:
  int Show(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    std::function<void()> action;
    int answer = DefaultAnswer(flags);
    bool hold = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      shown_.push_back({text, caption, flags, owner, GetCurrentThreadId()});
      for (const auto& [t, a] : answers_) {
        if (t == text) answer = a;
      }
      for (const auto& [t, a] : actions_) {
        if (t == text) action = a;
      }
      hold = !held_.empty() && held_ == text;
    }
    if (action) action();
    if (hold) {
      std::unique_lock<std::mutex> lock(mutex_);
      const int ticket = ++holding_;
      changed_.wait_for(lock, std::chrono::milliseconds(kWaitLimitMs), [&] { return released_ >= ticket; });
    }
    return answer;
  }
  static int DefaultAnswer(UINT flags) {
    switch (flags & MB_TYPEMASK) {
      case MB_YESNO:
        return IDYES;
      case MB_RETRYCANCEL:
        return IDRETRY;
      default:
        return IDOK;
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Box> shown_;
  std::vector<std::pair<std::string, int>> answers_;
  std::vector<std::pair<std::string, std::function<void()>>> actions_;
  std::string held_;
  int holding_ = 0;
  int released_ = 0;
};

// The hidden window and the window side of the scheduler. Tray operations
// are only counted. Every timer message goes to the scheduler.
class TestWindowHost : public schedule::IScheduleHost {
 public:
  TestWindowHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TestWindowHost::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZelkScheduleTestWindow";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "Zelk", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TestWindowHost() override { DestroyWindow(hwnd_); }
  TestWindowHost(const TestWindowHost&) = delete;
  TestWindowHost& operator=(const TestWindowHost&) = delete;

  void Attach(CBackupScheduler* scheduler, targets::CTargetList* list) {
    scheduler_ = scheduler;
    list_ = list;
  }

  HWND Window() override { return hwnd_; }
  // As the main window does it: the texts come from the program's string
  // table, the box from the scripted handler.
  int Ask(const schedule::BoxText& text, const std::optional<schedule::BoxText>& caption, UINT flags) override {
    const auto load = [](const schedule::BoxText& part) {
      return part.id == 0 ? part.text : part.text + ui::LoadResourceString(part.id);
    };
    if (!caption) return ui::ShowMessageBox(hwnd_, load(text), flags);
    return ui::ShowMessageBox(hwnd_, load(text), load(*caption), flags);
  }
  void RunOnUiThread(const std::function<void()>& work) override { schedule::SendToWindowThread(hwnd_, work); }
  bool ArmTimer(UINT millis) override {
    armCalls.push_back(millis);
    if (armFailures > 0) {
      --armFailures;
      return false;
    }
    return IScheduleHost::ArmTimer(millis);
  }
  void HideToTray(bool stopped) override { hideCalls.push_back(stopped); }
  void RestoreFromTray() override { ++restoreCalls; }
  bool RemoveTrayIcon() override {
    ++removeIconCalls;
    return false;
  }
  void EndWithOk() override {
    ++okCalls;
    list_->SaveList();
  }
  void ShowLastRun(const schedule::LastRun& last) override { lastRuns.push_back(last.result); }
  void Notify(const schedule::RunNotice& notice) override { notices.push_back(notice); }

  std::vector<UINT> armCalls;
  int armFailures = 0;
  std::vector<bool> hideCalls;
  int restoreCalls = 0;
  int removeIconCalls = 0;
  int okCalls = 0;
  // What the tray was told, on the user-interface thread: each run's end,
  // and the notifications.
  std::vector<schedule::RunEnd> lastRuns;
  std::vector<schedule::RunNotice> notices;
  std::atomic<int> ticks{0};

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestWindowHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (schedule::HandleRunOnUiThreadMessage(message, lParam)) return 0;
    if (message == WM_TIMER && self != nullptr && self->scheduler_ != nullptr) {
      if (wParam == schedule::BACKUP_TIMER_ID) ++self->ticks;
      self->scheduler_->OnTimer(wParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
  CBackupScheduler* scheduler_ = nullptr;
  targets::CTargetList* list_ = nullptr;
};

// The main window's own run host: rows and controls, used on the
// user-interface thread only (the scheduler's UiThreadRunHost brings the
// worker's calls there).
class WindowRunHost : public engine::IRunHost {
 public:
  explicit WindowRunHost(targets::CTargetList& list) : list_(list) {}
  void EnableControls(bool enable) override {
    enableThreads.push_back(GetCurrentThreadId());
    enableCalls.push_back(enable);
  }
  std::vector<targets::TargetEntry> SnapshotTargets() override {
    if (onSnapshot) onSnapshot();
    return list_.SnapshotForBackup();
  }

  // Runs on the user-interface thread when a run takes its rows (it may
  // throw, as running out of memory there would).
  std::function<void()> onSnapshot;
  std::vector<DWORD> enableThreads;
  std::vector<bool> enableCalls;

 private:
  targets::CTargetList& list_;
};

// Wraps the engine's host to time the runs, count overlaps and make a run
// last longer (the delay is spent on the run's own thread).
class TimingRunHost : public engine::IRunHost {
 public:
  explicit TimingRunHost(engine::IRunHost& inner)
      : inner_(inner), gate_(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}
  ~TimingRunHost() override { CloseHandle(gate_); }
  TimingRunHost(const TimingRunHost&) = delete;
  TimingRunHost& operator=(const TimingRunHost&) = delete;

  // While the gate is closed, a run waits after taking its rows.
  void CloseGate() { ResetEvent(gate_); }
  void OpenGate() { SetEvent(gate_); }
  void EnableControls(bool enable) override {
    if (!enable) {
      std::lock_guard<std::mutex> lock(mutex_);
      starts_.push_back(Clock::now());
      maxInFlight_ = std::max(maxInFlight_, ++inFlight_);
    }
    inner_.EnableControls(enable);
    if (enable) {
      std::lock_guard<std::mutex> lock(mutex_);
      ends_.push_back(Clock::now());
      --inFlight_;
    }
  }
  std::vector<targets::TargetEntry> SnapshotTargets() override {
    std::vector<targets::TargetEntry> rows = inner_.SnapshotTargets();
    WaitForSingleObject(gate_, kWaitLimitMs);
    if (runDelayMs > 0) Sleep(runDelayMs);
    return rows;
  }
  void* OwnerWindow() override { return inner_.OwnerWindow(); }

  std::vector<Clock::time_point> Starts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return starts_;
  }
  std::vector<Clock::time_point> Ends() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ends_;
  }
  int MaxInFlight() {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxInFlight_;
  }
  std::atomic<DWORD> runDelayMs{0};

 private:
  engine::IRunHost& inner_;
  HANDLE gate_;
  std::mutex mutex_;
  std::vector<Clock::time_point> starts_;
  std::vector<Clock::time_point> ends_;
  int inFlight_ = 0;
  int maxInFlight_ = 0;
};

class ScheduleTest : public ::testing::Test {
 protected:
  ScheduleTest()
      : cwd_(dir_.path()),
        windowRuns_(list_),
        uiRuns_(host_, windowRuns_),
        runs_(uiRuns_),
        engine_(settings_, runs_),
        scheduler_(settings_, engine_, list_, host_) {
    settings::SetIniPath(dir_ / "Zelk.ini");
    settings_.SetDefaults();
    settings_.SavePath = dir_ / "save";
    settings_.SaveTimeNum = 1;
    settings_.SaveTimeTani = 2;  // one second
    settings_.History = 1;
    settings_.HistoryNum = 99;
    settings_.StartBackup = false;
    settings_.EndBackup = true;
    list_.SetListFilePath(dir_ / "FileList.dat");
    engine_.SetClock([this] { return now_++; });
    host_.Attach(&scheduler_, &list_);
    uiThread_ = GetCurrentThreadId();
  }
  void SetUp() override {
    // Without a display driver Wine would create no window, silently.
    ASSERT_NE(host_.Window(), nullptr) << "the test window was not created";
  }
  ~ScheduleTest() override {
    boxes_.ReleaseAll();
    runs_.OpenGate();
    scheduler_.RestoreFromTray();
    EXPECT_TRUE(PumpUntil([this] { return !scheduler_.IsBackupRunning(); })) << "a worker did not end";
    host_.Attach(nullptr, &list_);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, settings::IniPath().c_str());
    settings::SetIniPath({});
  }

  // A source file (created) and its target row.
  std::string Source(const std::string& name, const std::string& bytes = "data") {
    const std::string path = dir_ / ("src\\" + name);
    WriteFile(path, bytes);
    return path;
  }
  void AddRow(const std::string& path, int mark, const std::string& comment = "") {
    list_.Rows().Append({path, comment, mark});
  }
  std::vector<std::string> RowPaths() const {
    std::vector<std::string> paths;
    for (const auto& row : list_.Rows().rows()) paths.push_back(row.entry.path);
    return paths;
  }
  bool WaitForRunsEnded(std::size_t n) {
    return PumpUntil([&] { return runs_.Ends().size() >= n; });
  }
  bool WaitForWorkerEnd() {
    return PumpUntil([this] { return !scheduler_.IsBackupRunning(); });
  }
  // The generation folder of the n-th run (0-based) in keep-N plain mode.
  std::string Generation(int n) const {
    std::time_t t = start_ + n;
    std::tm local{};
    localtime_s(&local, &t);
    char name[64];
    std::strftime(name, sizeof name, "%y.%m.%d.%H.%M.%S", &local);
    return settings_.SavePath + "\\" + name;
  }

  TempDir dir_;
  CurrentDirectory cwd_;
  ScriptedBoxes boxes_;
  settings::CSettings settings_;
  targets::CTargetList list_;
  TestWindowHost host_;
  WindowRunHost windowRuns_;
  schedule::UiThreadRunHost uiRuns_;
  TimingRunHost runs_;
  engine::CBackupEngine engine_;
  CBackupScheduler scheduler_;
  const std::time_t start_ = 1057500000;
  std::atomic<std::time_t> now_{start_};
  DWORD uiThread_ = 0;
};

}  // namespace zelk::testing

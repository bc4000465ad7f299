// Drives the built Zelk.exe as a black box: a test folder of its own with an
// INI file and FileList.dat of the test's making, the real program started
// there, its windows found, its buttons and menu commands pressed, its
// message boxes read and answered, and Linux checkers run on what it wrote.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "unix_tools.h"
#include "win_temp_dir.h"

namespace zelk::e2e {

struct MessageBoxSeen {
  HWND window = nullptr;
  std::string caption;
  std::string text;
};

class ZelkProcess {
 public:
  // Copies Zelk.exe and the archiver libraries into a fresh test folder.
  ZelkProcess();
  ~ZelkProcess();
  ZelkProcess(const ZelkProcess&) = delete;
  ZelkProcess& operator=(const ZelkProcess&) = delete;

  const testing::TempDir& folder() const { return dir_; }
  std::string Path(const std::string& relative) const { return dir_ / relative; }

  void WriteIni(const std::string& optionLines, bool stopped = false);
  void WriteFileList(const std::vector<std::string>& lines);
  // An environment variable the program is started with.
  void SetEnvironment(const std::string& name, const std::string& value);
  // Runs the test build of the program (ZelkTest.exe, with the seams the
  // tests set through the environment) as Zelk.exe from now on.
  void UseTestBuild();

  // Starts the program (again, once it has ended) and waits for its main
  // window.
  void Start();
  HWND MainWindow() const { return main_; }
  bool IsRunning() const;
  bool WaitForExit(DWORD timeoutMs = 30000);
  // Ends the program at once, as a crash or a power cut would; Start may
  // follow again.
  void Kill();

  // Posts a command (button or menu id) to the main window.
  void Command(WORD id) const;
  // Posts a tray icon callback (WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...).
  void TrayEvent(UINT mouseMessage) const;
  // Waits for a message box of the program; empty window when none came.
  MessageBoxSeen WaitForBox(DWORD timeoutMs = 30000) const;
  // Every message box of the program now open.
  std::vector<MessageBoxSeen> OpenBoxes() const;
  // Posts the tray menu's "終了(&X)" until the program has ended; a refusal
  // because a timed run was copying at that moment is answered and the exit
  // asked again. True when the process ended within timeoutMs.
  bool ExitFromTray(DWORD timeoutMs = 20000);
  // The same with the window's "終了(&X)" button: a run whose box was just
  // answered may still be ending.
  bool ExitFromWindow(DWORD timeoutMs = 30000);
  // Posts a command that opens a dialog and waits for the dialog; a refusal
  // because a run is still ending ("しばらくお待ちください") is answered and the
  // command posted again.
  HWND OpenDialog(WORD command, const std::string& caption, DWORD timeoutMs = 30000);
  // The main window's control with this id is enabled.
  bool IsControlEnabled(int id) const;
  // Rows in the target list view.
  int ListRowCount() const;
  // Presses a button of a message box (IDOK, IDYES, IDNO, ...) and waits
  // until it has gone.
  static void Press(const MessageBoxSeen& box, int button);
  // True while no message box of the program is open.
  bool NoBoxOpen() const;
  // Waits for a dialog of the program with this caption (not a message box).
  HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 30000) const;

 private:
  bool ExitWith(WORD command, DWORD timeoutMs);

  testing::TempDir dir_;
  std::vector<std::pair<std::string, std::string>> environment_;
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

// The names directly inside a folder (generations, archives), sorted.
std::vector<std::string> Entries(const std::string& folder);

using testing::RunUnix;
using testing::UnixPath;

}  // namespace zelk::e2e

#include "zelk_process.h"

#include <algorithm>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "res/resource.h"

namespace zelk::e2e {
namespace {

std::string BinFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\'));
}

struct Search {
  DWORD processId;
  bool wantMain;
  HWND found = nullptr;
};

std::string Text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsDialogOf(HWND window, DWORD processId) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  return pid == processId && std::string(cls) == "#32770" && IsWindowVisible(window);
}

bool IsMain(HWND window) { return GetDlgItem(window, IDC_LIST_TARGET) != nullptr; }
bool IsBox(HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr && !IsMain(window); }

// The main window carries the target list; a message box carries a static
// text (id 0xFFFF) and no list.
HWND Find(DWORD processId, bool wantMain) {
  Search search{processId, wantMain};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (!IsDialogOf(window, s->processId)) return TRUE;
        if ((s->wantMain && IsMain(window)) || (!s->wantMain && IsBox(window))) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

ZelkProcess::ZelkProcess() {
  for (const char* file : {"Zelk.exe", "ZIP32J.DLL", "UNLHA32.DLL"}) {
    CopyFileA((BinFolder() + "\\" + file).c_str(), (dir_ / file).c_str(), FALSE);
  }
}

void ZelkProcess::UseTestBuild() {
  CopyFileA((BinFolder() + "\\ZelkTest.exe").c_str(), (dir_ / "Zelk.exe").c_str(), FALSE);
}

ZelkProcess::~ZelkProcess() {
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

void ZelkProcess::WriteIni(const std::string& optionLines, bool stopped) {
  testing::WriteFile(dir_ / "Zelk.ini", "[Option]\r\n" + optionLines + "[Main]\r\nStop=" +
                                            (stopped ? "1" : "0") + "\r\n");
}

void ZelkProcess::WriteFileList(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  testing::WriteFile(dir_ / "FileList.dat", text);
}

void ZelkProcess::SetEnvironment(const std::string& name, const std::string& value) {
  environment_.emplace_back(name, value);
}

void ZelkProcess::Start() {
  // A program that has ended before: the new one's window is waited for.
  if (process_.hProcess != nullptr && !IsRunning()) {
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};
    main_ = nullptr;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  const std::string exe = dir_ / "Zelk.exe";
  std::string commandLine = "\"" + exe + "\"";
  // The child inherits this process's environment as it stands at its start.
  for (const auto& [name, value] : environment_) SetEnvironmentVariableA(name.c_str(), value.c_str());
  const BOOL started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      dir_.path().c_str(), &startup, &process_);
  for (const auto& [name, value] : environment_) SetEnvironmentVariableA(name.c_str(), nullptr);
  ASSERT_TRUE(started);
  for (int waited = 0; waited < 30000 && main_ == nullptr; waited += 20) {
    main_ = Find(process_.dwProcessId, true);
    if (main_ == nullptr) Sleep(20);
  }
  ASSERT_NE(main_, nullptr) << "the main window did not appear";
}

bool ZelkProcess::IsRunning() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void ZelkProcess::Kill() {
  if (process_.hProcess == nullptr) return;
  TerminateProcess(process_.hProcess, 1);
  WaitForSingleObject(process_.hProcess, 10000);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  process_ = {};
  main_ = nullptr;
}

bool ZelkProcess::WaitForExit(DWORD timeoutMs) {
  return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void ZelkProcess::Command(WORD id) const { PostMessageA(main_, WM_COMMAND, id, 0); }

void ZelkProcess::TrayEvent(UINT mouseMessage) const {
  PostMessageA(main_, 124678, 123564, mouseMessage);
}

MessageBoxSeen ZelkProcess::WaitForBox(DWORD timeoutMs) const {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (HWND box = Find(process_.dwProcessId, false)) {
      return {box, Text(box), Text(GetDlgItem(box, 0xFFFF))};
    }
    Sleep(20);
  }
  return {};
}

std::vector<MessageBoxSeen> ZelkProcess::OpenBoxes() const {
  struct Boxes {
    DWORD processId;
    std::vector<MessageBoxSeen> seen;
  } boxes{process_.dwProcessId, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* b = reinterpret_cast<Boxes*>(param);
        if (IsDialogOf(window, b->processId) && IsBox(window)) {
          b->seen.push_back({window, Text(window), Text(GetDlgItem(window, 0xFFFF))});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&boxes));
  return boxes.seen;
}

bool ZelkProcess::ExitWith(WORD command, DWORD timeoutMs) {
  Command(command);
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (WaitForExit(50)) return true;
    for (const MessageBoxSeen& box : OpenBoxes()) {
      if (box.text == "コピー中なので終了できません" || box.text == "バックアップ処理中なので終了できません") {
        Press(box, IDOK);
        Command(command);
      }
    }
  }
  return false;
}

HWND ZelkProcess::OpenDialog(WORD command, const std::string& caption, DWORD timeoutMs) {
  Command(command);
  for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
    if (HWND dialog = WaitForDialog(caption, 50)) return dialog;
    for (const MessageBoxSeen& box : OpenBoxes()) {
      if (box.caption == "しばらくお待ちください") {
        Press(box, IDOK);
        Command(command);
      }
    }
  }
  return nullptr;
}

bool ZelkProcess::ExitFromTray(DWORD timeoutMs) { return ExitWith(ID_TRAY_EXIT, timeoutMs); }

bool ZelkProcess::ExitFromWindow(DWORD timeoutMs) { return ExitWith(IDC_EXIT, timeoutMs); }

bool ZelkProcess::IsControlEnabled(int id) const { return IsWindowEnabled(GetDlgItem(main_, id)) != FALSE; }

int ZelkProcess::ListRowCount() const {
  return static_cast<int>(SendMessageA(GetDlgItem(main_, IDC_LIST_TARGET), LVM_GETITEMCOUNT, 0, 0));
}

void ZelkProcess::Press(const MessageBoxSeen& box, int button) {
  PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  for (int waited = 0; waited < 10000 && IsWindow(box.window) && IsWindowVisible(box.window);
       waited += 20) {
    Sleep(20);
  }
}

HWND ZelkProcess::WaitForDialog(const std::string& caption, DWORD timeoutMs) const {
  struct Wanted {
    DWORD processId;
    std::string caption;
    HWND found = nullptr;
  } wanted{process_.dwProcessId, caption};
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* w = reinterpret_cast<Wanted*>(param);
          if (IsDialogOf(window, w->processId) && Text(window) == w->caption) {
            w->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&wanted));
    if (wanted.found != nullptr) return wanted.found;
    Sleep(20);
  }
  return nullptr;
}

bool ZelkProcess::NoBoxOpen() const { return Find(process_.dwProcessId, false) == nullptr; }

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &data));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zelk::e2e

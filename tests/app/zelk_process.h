// Zelk.exe started as a separate process, and its windows found from
// outside, for the tests that treat the program as a black box.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace zelk::testing {

inline std::string BinFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\'));
}

struct Process {
  PROCESS_INFORMATION info{};
  bool started = false;
  ~Process() {
    if (!started) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
};

inline void Start(Process& process, const std::string& exe, const std::string& folder) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + exe + "\"";
  process.started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, folder.c_str(), &startup, &process.info) != FALSE;
  ASSERT_TRUE(process.started) << exe;
}

struct Found {
  DWORD processId;
  std::string className;
  HWND window = nullptr;
};

// The first visible top-level window of a process with the given class.
inline HWND WaitForWindow(DWORD processId, const char* className, int timeoutMs = 20000) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    Found found{processId, className};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* f = reinterpret_cast<Found*>(param);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          char cls[64] = {};
          GetClassNameA(window, cls, sizeof cls);
          if (pid == f->processId && f->className == cls && IsWindowVisible(window)) {
            f->window = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found.window != nullptr) return found.window;
    Sleep(50);
  }
  return nullptr;
}

}  // namespace zelk::testing

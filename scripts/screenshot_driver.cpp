// Drives Zelk.exe on a Wine virtual desktop into the states the README shows
// and takes each screenshot with ImageMagick's import (run through the Linux
// side). Built and started by scripts/screenshots.sh; not part of the program.
//   screenshot_driver.exe OUTDIR
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"

namespace {

constexpr UINT kTrayNotify = 124678;  // WM_TRAY_NOTIFY
constexpr UINT kTrayIconId = 123564;  // TRAY_ICON_ID

std::string UnixPath(const std::string& windowsPath) {
  using Convert = char*(CDECL*)(LPCWSTR);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
  char* unix = convert(wide);
  if (unix == nullptr) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Runs a Linux command line and waits for it (through a marker file).
void RunUnix(const std::string& command) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string marker = std::string(temp) + "zelk-shot.done";
  DeleteFileA(marker.c_str());
  std::string line = "/bin/sh -c \"" + command + "; touch '" + UnixPath(marker) + "'\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::printf("cannot run %s\n", line.c_str());
    return;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  for (int i = 0; i < 600 && GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

// The screen area of `rect` widened by `margin`, saved as OUTDIR/name.
void Shoot(const std::string& outDir, const char* name, RECT rect) {
  char geometry[64];
  std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", rect.right - rect.left, rect.bottom - rect.top,
                rect.left, rect.top);
  RunUnix("import -window root -crop " + std::string(geometry) + " +repage '" + outDir + "/" + name + "'");
  std::printf("%s %s\n", name, geometry);
}

HWND WaitForWindow(const char* caption) {
  for (int i = 0; i < 400; ++i) {
    HWND window = FindWindowA("#32770", caption);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(50);
  }
  return nullptr;
}

// A message box of Zelk's other than its main window (which is hidden in
// the tray), whatever its caption.
HWND WaitForBox(HWND main) {
  for (int i = 0; i < 400; ++i) {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, "#32770", nullptr)) {
      if (window != main && IsWindowVisible(window)) return window;
    }
    Sleep(50);
  }
  return nullptr;
}

// The icon's place on the virtual desktop's task bar: the tray draws its
// icons from the right end of the bar, the first one rightmost, each
// SM_CXSMICON wide with a border of 2 around.
POINT TrayIconCenter() {
  RECT bar{};
  GetWindowRect(FindWindowA("Shell_TrayWnd", nullptr), &bar);
  const int size = GetSystemMetrics(SM_CXSMICON) + 4;
  return {bar.right - size / 2, bar.top + (bar.bottom - bar.top) / 2};
}

void HoverAt(POINT point) {
  for (int dx : {-3, -1, 0}) {
    SetCursorPos(point.x + dx, point.y);
    Sleep(150);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string outDir = argv[1];
  // What it did, beside the driver (its console is nobody's).
  std::freopen("driver.log", "w", stdout);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  HWND main = WaitForWindow("Zelk");
  if (main == nullptr) {
    std::printf("no main window\n");
    return 1;
  }
  Sleep(1500);
  RECT rect{};
  GetWindowRect(main, &rect);
  Shoot(outDir, "main-window.png", rect);

  PostMessageA(main, WM_COMMAND, ID_OPTIONS, 0);
  HWND options = WaitForWindow("オプション");
  if (options != nullptr) {
    Sleep(800);
    GetWindowRect(options, &rect);
    Shoot(outDir, "options-dialog.png", rect);
    PostMessageA(options, WM_COMMAND, IDCANCEL, 0);
    Sleep(500);
  }

  // In the tray, running: the icon with its tip.
  PostMessageA(main, WM_COMMAND, IDC_START, 0);
  Sleep(2000);
  const POINT icon = TrayIconCenter();
  HoverAt(icon);
  Sleep(2500);
  Shoot(outDir, "tray-running.png", RECT{icon.x - 130, icon.y - 40, icon.x + 10, icon.y + 10});

  // A backup now, its box answered: the tip's second line tells when the
  // run ended and how.
  HoverAt(POINT{100, 100});
  PostMessageA(main, WM_COMMAND, ID_BACKUP_NOW, 0);
  if (HWND done = WaitForWindow("Zelk")) {
    Sleep(300);
    PostMessageA(done, WM_COMMAND, IDOK, 0);
  }
  Sleep(1000);
  HoverAt(icon);
  Sleep(2500);
  Shoot(outDir, "tray-last-run.png", RECT{icon.x - 200, icon.y - 60, icon.x + 10, icon.y + 10});

  // Paused, and the tray menu opened at the icon. The menu opens at the
  // cursor and is pushed back inside the screen, which would put it over the
  // icon in the corner: it is measured once, far from there, then opened
  // again with its lower right corner at the icon's upper left.
  PostMessageA(main, kTrayNotify, kTrayIconId, WM_MBUTTONDOWN);
  Sleep(500);
  SIZE menu{200, 170};
  for (int pass = 0; pass < 2; ++pass) {
    const int half = (GetSystemMetrics(SM_CXSMICON) + 4) / 2;
    HoverAt(pass == 0 ? POINT{100, 100} : POINT{icon.x - half - menu.cx, icon.y - half - menu.cy});
    Sleep(500);
    PostMessageA(main, kTrayNotify, kTrayIconId, WM_RBUTTONUP);
    Sleep(1500);
    RECT shown{};
    if (HWND popup = FindWindowA("#32768", nullptr)) GetWindowRect(popup, &shown);
    std::printf("menu %ld,%ld-%ld,%ld\n", shown.left, shown.top, shown.right, shown.bottom);
    if (pass == 0) {
      menu = SIZE{shown.right - shown.left, shown.bottom - shown.top};
    } else {
      Shoot(outDir, "tray-stopped-menu.png", RECT{shown.left - 8, shown.top - 8, icon.x + half, icon.y + half});
    }
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    Sleep(500);
  }

  // Resumed again for the next start.
  PostMessageA(main, kTrayNotify, kTrayIconId, WM_MBUTTONDOWN);
  Sleep(300);

  // A backup now while another program holds the one active file open: the
  // run has nothing it can read and fails, and the icon takes its warning
  // mark; the tip tells the failure.
  // (The driver runs in the folder Zelk was started from.)
  HANDLE holder = CreateFileA("data\\報告書.doc", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  std::printf("held: %d\n", holder != INVALID_HANDLE_VALUE ? 1 : 0);
  HoverAt(POINT{100, 100});
  PostMessageA(main, WM_COMMAND, ID_BACKUP_NOW, 0);
  if (HWND failed = WaitForBox(main)) {
    Sleep(300);
    PostMessageA(failed, WM_COMMAND, IDOK, 0);
  }
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
  Sleep(1000);
  HoverAt(icon);
  Sleep(2500);
  Shoot(outDir, "tray-warning.png", RECT{icon.x - 200, icon.y - 60, icon.x + 10, icon.y + 10});

  // The exit from the tray.
  PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
  return 0;
}

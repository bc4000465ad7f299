#include "unix_tools.h"

#include <gtest/gtest.h>

#include "win_temp_dir.h"

namespace zelk::testing {

std::string UnixPath(const std::string& windowsPath) {
  using Convert = char*(CDECL*)(LPCWSTR);
  static auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
  char* unix = convert(wide.c_str());
  if (unix == nullptr) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

int RunUnix(const std::string& shellCommand, DWORD timeoutMs) {
  // Wine starts Linux programs but gives no process handle to wait on: the
  // shell leaves the exit code in a file that is polled for.
  static int counter = 0;
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string result =
      std::string(temp) + "zelk-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
      std::to_string(counter++) + ".rc";
  DeleteFileA(result.c_str());
  std::string line = "/bin/sh -c \"" + shellCommand + "; echo $? > '" + UnixPath(result) + "'\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    ADD_FAILURE() << "cannot start " << line << ": error " << GetLastError();
    return -1;
  }
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    const std::string text = ReadFile(result);
    if (!text.empty() && text.back() == '\n') {
      DeleteFileA(result.c_str());
      return std::stoi(text);
    }
    Sleep(20);
  }
  ADD_FAILURE() << "no result from " << line;
  return -1;
}

}  // namespace zelk::testing

// A stand-in archiver library for the tests: it records every command line
// it receives in the file named by ZELK_FAKE_ARCHIVER_LOG and fails for a
// line that mentions "FAIL". Built several times with different version
// numbers and entry points.
#include <windows.h>

#include <cstring>

namespace {

[[maybe_unused]] int Record(LPCSTR commandLine, LPSTR output, DWORD size) {
  char log[MAX_PATH] = {};
  if (GetEnvironmentVariableA("ZELK_FAKE_ARCHIVER_LOG", log, sizeof log) > 0) {
    HANDLE h = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(h, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
      WriteFile(h, "\n", 1, &written, nullptr);
      CloseHandle(h);
    }
  }
  if (size > 0) output[0] = '\0';
  return std::strstr(commandLine, "FAIL") != nullptr ? 1 : 0;
}

}  // namespace

extern "C" {

#ifndef FAKE_NO_ENTRY
__declspec(dllexport) int WINAPI FAKE_ENTRY(HWND, LPCSTR commandLine, LPSTR output, DWORD size) {
  return Record(commandLine, output, size);
}
#endif

#ifndef FAKE_NO_VERSION
__declspec(dllexport) WORD WINAPI FAKE_VERSION_ENTRY() { return FAKE_VERSION; }
#endif

}

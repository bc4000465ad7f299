// A stand-in archiver library for the tests: it records every command line
// it receives in the file named by ZELK_FAKE_ARCHIVER_LOG, appends it to the
// archive the line names (so the archive exists as a real one would), and
// fails for a line that mentions "FAIL", explaining why in the output
// buffer. Built several times with different version numbers and entry
// points.
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
  if (std::strstr(commandLine, "FAIL") != nullptr) {
    if (size > 0) lstrcpynA(output, "cannot store FAIL: stand-in failure", static_cast<int>(size));
    return 1;
  }
  // The archive: the first quoted text.
  const char* open = std::strchr(commandLine, '"');
  const char* close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
  if (close != nullptr) {
    char archive[1024] = {};
    const std::size_t n = static_cast<std::size_t>(close - open - 1);
    if (n < sizeof archive) {
      std::memcpy(archive, open + 1, n);
      HANDLE h = CreateFileA(archive, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return 2;
      DWORD written = 0;
      WriteFile(h, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
      CloseHandle(h);
    }
  }
  return 0;
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

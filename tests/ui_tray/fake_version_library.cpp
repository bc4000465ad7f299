// A stand-in archiver library: the archive entry point does nothing, the
// version entry point reports FAKE_VERSION.
#include <windows.h>

extern "C" {

__declspec(dllexport) int WINAPI FAKE_ENTRY(HWND, LPCSTR, LPSTR output, DWORD size) {
  if (size > 0) output[0] = '\0';
  return 0;
}

__declspec(dllexport) WORD WINAPI FAKE_VERSION_ENTRY() { return FAKE_VERSION; }

}

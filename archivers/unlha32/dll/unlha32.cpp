// Entry points of UNLHA32.DLL.
#include <windows.h>

#include <new>

#include "common/output_buffer.h"
#include "dll/lzh_archiver.h"

namespace {
constexpr WORD kVersion = 100;  // 1.00
}

extern "C" {

__declspec(dllexport) int WINAPI Unlha(HWND /*owner*/, LPCSTR commandLine, LPSTR output, DWORD size) {
  zelk::archivers::OutputBuffer out(output, output == nullptr ? 0 : size);
  try {
    if (commandLine == nullptr) {
      out.Set("No command line.");
      return zelk::lzh::kUnlhaBadCommand;
    }
    return zelk::lzh::RunUnlha(commandLine, out);
  } catch (const std::bad_alloc&) {
    out.Set("Out of memory.");
  } catch (...) {
    out.Set("Unexpected failure.");
  }
  return zelk::lzh::kUnlhaInternalError;
}

__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return kVersion; }

}  // extern "C"

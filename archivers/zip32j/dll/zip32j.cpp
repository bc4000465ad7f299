// Entry points of ZIP32J.DLL.
#include <windows.h>

#include <new>

#include "common/output_buffer.h"
#include "zip32j/dll/zip_archiver.h"

namespace {
constexpr WORD kVersion = 100;  // 1.00
}

extern "C" {

__declspec(dllexport) int WINAPI Zip(HWND /*owner*/, LPCSTR commandLine, LPSTR output, DWORD size) {
  zelk::archivers::OutputBuffer out(output, output == nullptr ? 0 : size);
  try {
    if (commandLine == nullptr) {
      out.Set("No command line.");
      return zelk::zip::kZipBadCommand;
    }
    return zelk::zip::RunZip(commandLine, out);
  } catch (const std::bad_alloc&) {
    out.Set("Out of memory.");
  } catch (...) {
    out.Set("Unexpected failure.");
  }
  return zelk::zip::kZipInternalError;
}

__declspec(dllexport) WORD WINAPI ZipGetVersion() { return kVersion; }

}  // extern "C"

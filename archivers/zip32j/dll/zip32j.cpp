// Entry points of ZIP32J.DLL.
#include <windows.h>

#include "common/archiver_call.h"
#include "zip32j/dll/zip_archiver.h"

extern "C" __declspec(dllexport) int WINAPI Zip(HWND /*owner*/, LPCSTR commandLine, LPSTR output, DWORD size) {
  namespace f = zelk::zip;
  return zelk::archivers::RunArchiverCall(commandLine, output, size,
                                          f::ParseZipCommand, f::RunZip, f::kZipBadCommand, f::kZipInternalError);
}

extern "C" __declspec(dllexport) WORD WINAPI ZipGetVersion() { return zelk::archivers::kArchiverVersion; }

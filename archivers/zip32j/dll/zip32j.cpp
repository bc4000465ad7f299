// Entry points of ZIP32J.DLL.
#include <windows.h>

#include "common/archiver_call.h"
#include "common/zelk_extensions.h"
#include "zip32j/dll/zip_archiver.h"

extern "C" __declspec(dllexport) int WINAPI Zip(HWND /*owner*/, LPCSTR commandLine, LPSTR output, DWORD size) {
  namespace f = zelk::zip;
  return zelk::archivers::RunArchiverCall(commandLine, output, size,
                                          f::ParseZipCommand, f::RunZip, f::kZipBadCommand, f::kZipInternalError);
}

extern "C" __declspec(dllexport) WORD WINAPI ZipGetVersion() { return zelk::archivers::kArchiverVersion; }

// Our extensions: unreadable sources left out with a report, exclusion
// patterns after "-x".
extern "C" __declspec(dllexport) DWORD WINAPI ZelkArchiverFeatures() {
  return zelk::archivers::kFeatureLeaveOutUnreadable | zelk::archivers::kFeatureExclude;
}

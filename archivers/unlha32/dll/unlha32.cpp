// Entry points of UNLHA32.DLL.
#include <windows.h>

#include "common/archiver_call.h"
#include "common/zelk_extensions.h"
#include "dll/lzh_archiver.h"

extern "C" __declspec(dllexport) int WINAPI Unlha(HWND /*owner*/, LPCSTR commandLine, LPSTR output, DWORD size) {
  namespace f = zelk::lzh;
  return zelk::archivers::RunArchiverCall(commandLine, output, size,
                                          f::ParseLhaCommand, f::RunUnlha, f::kUnlhaBadCommand, f::kUnlhaInternalError);
}

extern "C" __declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return zelk::archivers::kArchiverVersion; }

// Our extensions: unreadable sources left out with a report, exclusion
// patterns after "-x".
extern "C" __declspec(dllexport) DWORD WINAPI ZelkArchiverFeatures() {
  return zelk::archivers::kFeatureLeaveOutUnreadable | zelk::archivers::kFeatureExclude;
}

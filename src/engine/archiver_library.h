// The outside archiver libraries, loaded by file name only for as long as one
// operation needs them, and driven through their text command interface.
#pragma once

#include <string>
#include <vector>

#include "fileutil/directory_ops.h"
#include "targets/target_entry.h"
#include "text/message.h"

namespace zelk::engine {

struct ArchiverInfo {
  std::string fileName;       // "ZIP32J.DLL"
  const char* archiveEntry;   // "Zip"
  const char* versionEntry;   // "ZipGetVersion"
  unsigned lowestVersion;     // 25
  const char* extension;      // ".zip"
  const char* switches;       // "-qrS"
  bool ownedByMainWindow;     // the zip call gets the main window as owner
};

// The library of save format 1 (zip) or 2 (lzh); nullptr for other formats.
const ArchiverInfo* FindArchiver(int format);

// Replaces a library's file name (tests point it at stand-in libraries).
void SetArchiverFileName(int format, std::string fileName);

// True when the library of the format can be loaded.
bool IsArchiverInstalled(int format);

// The library's version number (version times 100), or -1 when the format is
// unknown, the library cannot be loaded or has no version entry point.
int GetArchiverVersion(int format);

// Why the library of the format is unusable (not installed, version too
// old), or an empty message when it is usable.
text::Message ArchiverUnavailableReason(int format);

// The command line of one archive call: switches, then the quoted archive
// path, target folder and target name. Never cut, whatever the lengths.
std::string ArchiverCommandLine(const ArchiverInfo& info, const std::string& archivePath,
                                const std::string& targetPath);

// Puts every active target into the one archive, one library call per target
// in list order. True on failure with the reason in errorText. When tally is
// set, each target the library has added counts with its files and their
// sizes before compression (the save folder left out, as the libraries
// leave out the folder of the archive they write).
bool ArchiveTargets(int format, const std::vector<targets::TargetEntry>& rows,
                    const std::string& archivePath, void* mainWindow, std::string& errorText,
                    fileutil::CopyTally* tally = nullptr);

}  // namespace zelk::engine

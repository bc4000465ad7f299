// The outside archiver libraries, loaded by file name only for as long as one
// operation needs them, and driven through their text command interface.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/backup_engine.h"
#include "fileutil/directory_ops.h"
#include "plan/run_plan.h"
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

// One archive run: every target of the plan into the one archive, one
// library call per target in list order.
struct ArchiveRequest {
  int format = 0;
  const plan::RunPlan* plan = nullptr;
  std::string archivePath;
  void* mainWindow = nullptr;
  std::vector<std::string> patterns;  // exclusion patterns, passed on to a library that takes them
};

struct ArchiveResult {
  std::optional<text::Message> failure;
  // Each target the library added, with the plan's files and their sizes
  // before compression (less what it left out).
  fileutil::CopyTally written;
  std::vector<SkippedSource> skipped;  // what our libraries left out
};

ArchiveResult ArchiveTargets(const ArchiveRequest& request);

// The left-out report of one of our libraries' partial calls: one source
// per line after the header; the count the header gives may be larger than
// the lines the buffer held.
std::vector<SkippedSource> ParseLeftOutReport(std::string_view output, std::size_t* count);

}  // namespace zelk::engine

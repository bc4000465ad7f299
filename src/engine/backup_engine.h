// CBackupEngine: one backup run and the history of generations, working on
// the settings record and the target rows of the window that owns it. No
// window is needed: the owner plugs in through IRunHost.
//
// Operations that can fail return true on failure and leave the reason in the
// last-error text; on success they empty it (except where noted).
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_host.h"
#include "settings/settings.h"

namespace zelk::engine {

// The history file, opened by its bare name in the current directory.
inline constexpr const char* kHistoryFileName = "History.dat";
// strftime format of a generation's name.
inline constexpr const char* kGenerationNameFormat = "%y.%m.%d.%H.%M.%S";

class CBackupEngine {
 public:
  CBackupEngine(settings::CSettings& settings, IRunHost& host);
  CBackupEngine(const CBackupEngine&) = delete;
  CBackupEngine& operator=(const CBackupEngine&) = delete;

  // Makes one new generation of the active targets under the save folder.
  bool RunBackup();

  // History of generations (History.dat).
  bool RecordGeneration(const std::string& path);
  bool PruneHistory();
  bool ClearBackups();

  // Archiver libraries by save format (1 zip, 2 lzh).
  bool IsArchiverUnavailable(int format);

  // The clock that names generations (tests set their own).
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

  // The window side the runs report to (enabling the controls again after a
  // run that ended in an exception).
  IRunHost& Host() { return host_; }

  const std::string& GetLastErrorText() const { return lastError_; }
  void SetLastErrorText(std::string text) { lastError_ = std::move(text); }

 private:
  bool Fail(std::string text);
  // Deletes a generation listed in the history, but only when the line names
  // an entry directly inside the save folder.
  void DeleteGeneration(const std::string& line, bool folderFirstOnly);
  bool RunSteps(std::string& destination);
  static constexpr int PlainCopyMode() { return settings::PlainCopy; }

  settings::CSettings& settings_;
  IRunHost& host_;
  std::string lastError_;
  std::function<std::time_t()> clock_;
};

}  // namespace zelk::engine

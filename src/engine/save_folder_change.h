// What OK in the options dialog does to the stored backups: checks the save
// folder typed, discards the old backups when the folder changed (after a
// question), stores the entered values into the settings record and converts
// the stored generations when the history mode changed. Every message goes
// through the caller's AskUser, so the procedure runs without a dialog.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "engine/backup_engine.h"
#include "settings/settings.h"

namespace zelk::engine {

// Shows one message box (text, caption, MB_ flags) and answers the button
// pressed (IDOK, IDYES, IDNO).
using AskUser =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

struct OptionsApplyResult {
  // The dialog ends with OK; otherwise it stays open for another try.
  bool closeWithOk = false;
  // The folder question was answered No: the box shows the old folder again.
  bool restoreOldFolder = false;
  // The typed folder after normalisation (C:Data -> C:\Data).
  std::string folderText;
};

class CSaveFolderChange {
 public:
  // engine works on record (the main window's engine and settings);
  // applicationName is the caption of boxes without one of their own.
  CSaveFolderChange(settings::CSettings& record, CBackupEngine& engine, AskUser ask,
                    std::string applicationName);

  // Consulted first: while a backup run is in progress nothing is done.
  void SetBusyCheck(std::function<bool()> isBackupRunning) { isBusy_ = std::move(isBackupRunning); }
  // The clock that names the generation made from a keep-none save folder.
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

  // Runs the procedure with the values read from the dialog's controls
  // (entered.SavePath as typed). The record changes only when the folder
  // was accepted.
  OptionsApplyResult Apply(const settings::CSettings& entered);

 private:
  // The conversions of the stored generations. ToKeepN returns true when
  // the procedure must end with the dialog left as it is (the new
  // generation's history line could not be written).
  void ToKeepNone();
  bool ToKeepN();
  void Error(const std::string& text, const std::string& caption);
  // Empties the history file when the save folder holds nothing to list.
  void ClearHistory();
  bool ChangeFolder(const std::string& folder, OptionsApplyResult& result);

  settings::CSettings& record_;
  CBackupEngine& engine_;
  AskUser ask_;
  std::string applicationName_;
  std::function<bool()> isBusy_;
  std::function<std::time_t()> clock_;
  bool closed_ = false;
};

// A backslash after the drive's colon when it lacks one ("C:Data" ->
// "C:\Data"); a text without a colon gets one at its start unless it starts
// with one ("Data\Sub" -> "\Data\Sub"). Shift-JIS aware.
std::string InsertRootBackslash(std::string folder);

}  // namespace zelk::engine

// COptiondlg: the options dialog. It shows the main window's settings
// record, corrects the numbers as the user leaves their boxes, and on OK
// checks the exclusion patterns and the INI file, hands the entered values
// to the save folder change (engine side), which checks the folder,
// converts the stored backups and stores the record, and writes the record
// to the INI file.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "engine/backup_engine.h"
#include "settings/settings.h"
#include "ui/framework/dialog.h"
#include "ui/options_dialog/drag_edit.h"

namespace zelk::ui {

class COptiondlg : public CDialog {
 public:
  // settings is the record the engine works on; isBackupRunning tells
  // whether a backup run is in progress (OK is refused then).
  COptiondlg(HWND parent, settings::CSettings& settings, engine::CBackupEngine& engine,
             std::function<bool()> isBackupRunning);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  // Fills the controls from a record (the owner's or the defaults).
  void ShowValues(const settings::CSettings& values);
  // The values as the controls hold them; SavePath as typed.
  settings::CSettings ReadValues() const;
  void OnCommand(WORD id, WORD code);
  void OnBrowse();
  void OnHistoryNone();
  void SetHistoryChoice(int choice);
  // Correct the count (with a message; false when it was out of range) and
  // the interval (silently, by the selected unit).
  bool CorrectCount();
  void CorrectInterval(bool atOk);
  void OnUnitChanged();
  void OnDefaults();
  // What OK refuses before anything changes: an exclusion pattern no file
  // name can match, an INI file that cannot be written. True after its box.
  bool RefuseBeforeApply(const settings::CSettings& entered);
  // Writes the record to the INI file; true, after its box, when it could
  // not.
  bool SaveRecord();
  void ShowSaveFailure(const std::string& reason);

  int ReadNumber(int id) const;
  void SetNumber(int id, int value);
  int SelectedUnit() const;
  void SetIntervalRange(int unit);

  settings::CSettings& settings_;
  engine::CBackupEngine& engine_;
  std::function<bool()> isBackupRunning_;
  CDragEdit savePath_;
  // 0 keeps no past backups, 1 keeps HistoryNum of them.
  int historyChoice_ = 0;
  // Set once the dialog ends: the boxes losing the focus then correct
  // nothing.
  bool closing_ = false;
};

}  // namespace zelk::ui

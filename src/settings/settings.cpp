#include "settings/settings.h"

#include "settings/ini_paths.h"
#include "settings/profile.h"

namespace zelk::settings {
namespace {

constexpr int kDefaultSaveTimeNum = 1;
constexpr int kDefaultSaveTimeTani = Hours;
constexpr int kDefaultHistory = 0;
constexpr int kDefaultHistoryNum = 2;
constexpr bool kDefaultOpenStart = false;
constexpr bool kDefaultStartBackup = false;
constexpr bool kDefaultEndBackup = true;
constexpr int kDefaultDefMode = PlainCopy;
constexpr bool kDefaultLinkUnchanged = false;
constexpr bool kDefaultNotifyOnly = false;
constexpr bool kDefaultSkipUnchanged = false;
constexpr bool kDefaultVerify = false;

const char* Flag(bool value) { return value ? "1" : "0"; }

}  // namespace

std::string DefaultSavePath() { return DefaultSavePathFor(ModuleFilePath()); }

void CSettings::SetDefaults() {
  SavePath = DefaultSavePath();
  SaveTimeNum = kDefaultSaveTimeNum;
  SaveTimeTani = kDefaultSaveTimeTani;
  History = kDefaultHistory;
  HistoryNum = kDefaultHistoryNum;
  OpenStart = kDefaultOpenStart;
  StartBackup = kDefaultStartBackup;
  EndBackup = kDefaultEndBackup;
  DefMode = kDefaultDefMode;
  LinkUnchanged = kDefaultLinkUnchanged;
  NotifyOnly = kDefaultNotifyOnly;
  Exclude.clear();
  SkipUnchanged = kDefaultSkipUnchanged;
  Verify = kDefaultVerify;
}

void CSettings::Load() {
  SavePath = ReadIniString(kOptionSection, "SavePath", DefaultSavePath());
  SaveTimeNum = ReadIniInt(kOptionSection, "SaveTimeNum", kDefaultSaveTimeNum);
  SaveTimeTani = ReadIniInt(kOptionSection, "SaveTimeTani", kDefaultSaveTimeTani);
  History = ReadIniInt(kOptionSection, "History", kDefaultHistory);
  HistoryNum = ReadIniInt(kOptionSection, "HistoryNum", kDefaultHistoryNum);
  OpenStart = ReadIniInt(kOptionSection, "OpenStart", kDefaultOpenStart) != 0;
  StartBackup = ReadIniInt(kOptionSection, "StartBackup", kDefaultStartBackup) != 0;
  EndBackup = ReadIniInt(kOptionSection, "EndBackup", kDefaultEndBackup) != 0;
  DefMode = ReadIniInt(kOptionSection, "DefMode", kDefaultDefMode);
  LinkUnchanged = ReadIniInt(kOptionSection, "LinkUnchanged", kDefaultLinkUnchanged) != 0;
  NotifyOnly = ReadIniInt(kOptionSection, "NotifyOnly", kDefaultNotifyOnly) != 0;
  Exclude = ReadIniString(kOptionSection, "Exclude", "");
  SkipUnchanged = ReadIniInt(kOptionSection, "SkipUnchanged", kDefaultSkipUnchanged) != 0;
  Verify = ReadIniInt(kOptionSection, "Verify", kDefaultVerify) != 0;
}

bool CSettings::Save() const {
  IniWriteBatch batch;
  batch.Write(kOptionSection, "SavePath", SavePath);
  batch.WriteInt(kOptionSection, "SaveTimeNum", SaveTimeNum);
  batch.WriteInt(kOptionSection, "SaveTimeTani", SaveTimeTani);
  batch.WriteInt(kOptionSection, "History", History);
  batch.WriteInt(kOptionSection, "HistoryNum", HistoryNum);
  batch.Write(kOptionSection, "OpenStart", Flag(OpenStart));
  batch.Write(kOptionSection, "StartBackup", Flag(StartBackup));
  batch.Write(kOptionSection, "EndBackup", Flag(EndBackup));
  batch.WriteInt(kOptionSection, "DefMode", DefMode);
  batch.Write(kOptionSection, "LinkUnchanged", Flag(LinkUnchanged));
  batch.Write(kOptionSection, "NotifyOnly", Flag(NotifyOnly));
  batch.Write(kOptionSection, "Exclude", Exclude);
  batch.Write(kOptionSection, "SkipUnchanged", Flag(SkipUnchanged));
  batch.Write(kOptionSection, "Verify", Flag(Verify));
  return batch.Commit();
}

bool LoadStopped() { return ReadIniInt(kMainSection, kStopKey, 0) != 0; }

void SaveStopped(bool stopped) { WriteIniInt(kMainSection, kStopKey, stopped ? 1 : 0); }

void SaveListSort(bool toggle, int lastColumn) {
  IniWriteBatch batch;
  batch.WriteInt(kListSection, "Turn", toggle ? 1 : 0);
  batch.WriteInt(kListSection, "SubItem", lastColumn);
  batch.Commit();
}

}  // namespace zelk::settings

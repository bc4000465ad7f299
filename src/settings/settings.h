// CSettings: the user options, kept in section "Option" of the INI file,
// and the few other keys of that file. Every INI access goes through here.
#pragma once

#include <string>

namespace zelk::settings {

// INI sections and keys.
inline constexpr const char* kOptionSection = "Option";
inline constexpr const char* kMainSection = "Main";
inline constexpr const char* kStopKey = "Stop";
inline constexpr const char* kListSection = "List_Target";

// Interval units of SaveTimeTani.
enum IntervalUnit : int { Hours = 0, Minutes = 1, Seconds = 2 };
// Save formats of DefMode.
enum SaveFormat : int { PlainCopy = 0, ZipArchive = 1, LzhArchive = 2 };

class CSettings {
 public:
  // A new record is empty: no path, numbers 0, flags false.
  std::string SavePath;
  bool OpenStart = false;
  bool StartBackup = false;
  int SaveTimeNum = 0;
  int SaveTimeTani = 0;
  int History = 0;
  int HistoryNum = 0;
  int DefMode = 0;
  bool EndBackup = false;
  // Plain runs share unchanged files with the newest complete copy.
  bool LinkUnchanged = false;
  // Failed timed runs only notify (balloon, icon, tip, log); no box holds
  // the schedule.
  bool NotifyOnly = false;
  // Exclusion patterns, separated by ";", as the user typed them.
  std::string Exclude;
  // A timed or exit run with nothing changed since the newest complete
  // generation makes no new one.
  bool SkipUnchanged = false;
  // Every generation is read back and compared before it is named.
  bool Verify = false;

  // Factory defaults; SavePath is the executable's folder plus "Backup".
  void SetDefaults();
  // Reads the option keys from the registered INI file; a missing key takes its
  // factory default, a present one is taken as it stands.
  void Load();
  // Writes all option keys at once. True when the INI file could not be
  // written; it is then left as it was.
  bool Save() const;
};

// The executable's folder followed by "Backup".
std::string DefaultSavePath();

// The schedule's paused flag, "Main"/"Stop" (missing: not paused).
bool LoadStopped();
void SaveStopped(bool stopped);

// The target list's sort state after a column click, "List_Target"/"Turn"
// and "SubItem", written in one go. Kept for reference only: nothing reads
// it back.
void SaveListSort(bool toggle, int lastColumn);

}  // namespace zelk::settings

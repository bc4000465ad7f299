// The OK procedure of the options on a temporary folder: the current folder
// (History.dat) is the folder's root, the save folder is "save", sources lie
// under "src". Message boxes are recorded and answered by script.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "engine/save_folder_change.h"
#include "fileutil/directory_ops.h"
#include "fileutil/line_file.h"
#include "fake_run_host.h"
#include "history_file.h"
#include "recorded_box.h"
#include "win_temp_dir.h"

namespace zelk::testing {

using fileutil::FileInDirectory;

// Writes a file and holds it open without sharing, so that it cannot be
// deleted.
class NewLockedFile {
 public:
  explicit NewLockedFile(const std::string& path) : lock_((WriteFile(path, "locked"), path)) {}
  bool locked() const { return lock_.ok(); }

 private:
  LockedFile lock_;
};

class SaveFolderChangeTest : public ::testing::Test {
 protected:
  SaveFolderChangeTest() : cwd_(dir_.path()), engine_(settings_, host_) {
    settings_.SetDefaults();
    settings_.SavePath = dir_ / "save";
    engine_.SetClock([this] { return now_++; });
    MakeDirs(settings_.SavePath);
  }

  std::string Save(const std::string& name = "") const {
    return name.empty() ? settings_.SavePath : settings_.SavePath + "\\" + name;
  }
  // The values the dialog would hand over: the record as it stands.
  settings::CSettings Entered() const { return settings_; }

  engine::OptionsApplyResult Apply(const settings::CSettings& entered) {
    engine::CSaveFolderChange change(
        settings_, engine_,
        [this](const std::string& text, const std::string& caption, unsigned flags) {
          boxes_.push_back({text, caption, flags});
          if (answers_.empty()) return (flags & MB_YESNO) == MB_YESNO ? IDNO : IDOK;
          const int answer = answers_.front();
          answers_.pop_front();
          return answer;
        },
        "Zelk");
    change.SetBusyCheck([this] { return busy_; });
    change.SetClock([this] { return conversionTime_; });
    return change.Apply(entered);
  }


  // Real generations made by backup runs of one target folder "src\Data".
  std::vector<std::string> MakeGenerations(int count, int format) {
    WriteFile(dir_ / "src\\Data\\one.txt", "1");
    WriteFile(dir_ / "src\\Data\\sub\\two.txt", "22");
    host_.rows = {{dir_ / "src\\Data", "", targets::ActiveFolder}};
    settings_.History = 1;
    settings_.HistoryNum = count;
    settings_.DefMode = format;
    for (int i = 0; i < count; ++i) {
      EXPECT_FALSE(engine_.RunBackup()) << engine_.GetLastErrorText();
    }
    return HistoryLines();
  }

  static std::string NameOf(std::time_t t) {
    std::tm local{};
    localtime_s(&local, &t);
    char name[64];
    std::strftime(name, sizeof name, "%y.%m.%d.%H.%M.%S", &local);
    return name;
  }

  static Box FolderQuestion() {
    return {"既に保存されているバックアップは破棄され\n新しい保存先に入っているファイルも空になります\n"
      "よろしいですか？",
            "保存先フォルダが変更されました", MB_YESNO | MB_ICONEXCLAMATION};
  }

  TempDir dir_;
  CurrentDirectory cwd_;
  settings::CSettings settings_;
  FakeRunHost host_;
  engine::CBackupEngine engine_;
  std::time_t now_ = 1057500000;             // backup runs: a fixed local time in 2003
  std::time_t conversionTime_ = 1714567500;  // the conversion's clock, in 2024
  bool busy_ = false;
  std::vector<Box> boxes_;
  std::deque<int> answers_;
};

}  // namespace zelk::testing

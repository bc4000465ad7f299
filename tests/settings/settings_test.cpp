#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "settings/ini_paths.h"
#include "settings/profile.h"
#include "win_temp_dir.h"

using namespace zelk::settings;
using zelk::testing::ReadFile;
using zelk::testing::TempDir;
using zelk::testing::WriteFile;

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { SetIniPath(dir_ / "Zelk.ini"); }
  void TearDown() override {
    // Let the profile cache forget the file before the folder goes.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, IniPath().c_str());
    SetIniPath({});
  }
  std::string Ini() const { return ReadFile(dir_ / "Zelk.ini"); }
  TempDir dir_;
};

}  // namespace

TEST_F(SettingsFile, NewRecordIsEmpty) {
  CSettings s;
  EXPECT_EQ(s.SavePath, "");
  EXPECT_EQ(s.SaveTimeNum, 0);
  EXPECT_FALSE(s.EndBackup);
}

TEST_F(SettingsFile, MissingFileGivesFactoryDefaults) {
  CSettings s;
  s.Load();
  EXPECT_EQ(s.SavePath, DefaultSavePathFor(ModuleFilePath()));
  EXPECT_EQ(s.SaveTimeNum, 1);
  EXPECT_EQ(s.SaveTimeTani, 0);
  EXPECT_EQ(s.History, 0);
  EXPECT_EQ(s.HistoryNum, 2);
  EXPECT_FALSE(s.OpenStart);
  EXPECT_FALSE(s.StartBackup);
  EXPECT_TRUE(s.EndBackup);
  EXPECT_EQ(s.DefMode, 0);
  EXPECT_FALSE(s.LinkUnchanged) << "a stored setup without the key copies every file";
  EXPECT_FALSE(s.NotifyOnly);
  EXPECT_EQ(s.Exclude, "");
  EXPECT_FALSE(s.SkipUnchanged);
  EXPECT_FALSE(s.Verify);

  CSettings d;
  d.SetDefaults();
  EXPECT_EQ(d.SavePath, s.SavePath);
  EXPECT_TRUE(d.EndBackup);
  EXPECT_EQ(d.HistoryNum, 2);
  // The default save folder lies beside the executable.
  std::string exe = ModuleFilePath();
  EXPECT_EQ(d.SavePath, exe.substr(0, exe.rfind('\\') + 1) + "Backup");
  EXPECT_TRUE(Ini().empty()) << "loading must not create the file";
}

TEST_F(SettingsFile, SaveWritesEveryOptionKeyInOrder) {
  CSettings s;
  s.SetDefaults();
  s.SavePath = "D:\\\x95\x5c\x8e\xa6\\Backup";  // D:\表示\Backup
  s.SaveTimeNum = 30;
  s.SaveTimeTani = 1;
  s.History = 1;
  s.HistoryNum = 5;
  s.OpenStart = true;
  s.DefMode = 2;
  s.LinkUnchanged = true;
  s.Exclude = "~$*;obj\\";
  s.Verify = true;
  s.Save();
  EXPECT_EQ(Ini(),
            "[Option]\r\n"
            "SavePath=D:\\\x95\x5c\x8e\xa6\\Backup\r\n"
            "SaveTimeNum=30\r\n"
            "SaveTimeTani=1\r\n"
            "History=1\r\n"
            "HistoryNum=5\r\n"
            "OpenStart=1\r\n"
            "StartBackup=0\r\n"
            "EndBackup=1\r\n"
            "DefMode=2\r\n"
            "LinkUnchanged=1\r\n"
            "NotifyOnly=0\r\n"
            "Exclude=~$*;obj\\\r\n"
            "SkipUnchanged=0\r\n"
            "Verify=1\r\n");
  CSettings back;
  back.Load();
  EXPECT_EQ(back.SavePath, s.SavePath);
  EXPECT_EQ(back.SaveTimeNum, 30);
  EXPECT_EQ(back.SaveTimeTani, 1);
  EXPECT_EQ(back.History, 1);
  EXPECT_EQ(back.HistoryNum, 5);
  EXPECT_TRUE(back.OpenStart);
  EXPECT_FALSE(back.StartBackup);
  EXPECT_TRUE(back.EndBackup);
  EXPECT_EQ(back.DefMode, 2);
  EXPECT_TRUE(back.LinkUnchanged);
  EXPECT_EQ(back.Exclude, s.Exclude);
  EXPECT_TRUE(back.Verify);
  EXPECT_FALSE(zelk::testing::Exists(dir_ / "Zelk.ini.new"));
}

TEST_F(SettingsFile, ValuesAreTakenAsTheyStand) {
  WriteFile(dir_ / "Zelk.ini",
            "[Option]\r\nSavePath=\r\nOpenStart=5\r\nSaveTimeTani=7\r\nHistoryNum=-3\r\n"
            "EndBackup=0\r\n[Main]\r\nStop=1\r\n");
  CSettings s;
  s.Load();
  EXPECT_EQ(s.SavePath, "") << "an empty value is not the default";
  EXPECT_TRUE(s.OpenStart);
  EXPECT_EQ(s.SaveTimeTani, 7);
  EXPECT_EQ(s.HistoryNum, -3);
  EXPECT_FALSE(s.EndBackup);
  EXPECT_EQ(s.SaveTimeNum, 1);
  s.Save();
  std::string ini = Ini();
  EXPECT_NE(ini.find("OpenStart=1\r\n"), std::string::npos);
  EXPECT_NE(ini.find("[Main]\r\nStop=1\r\n"), std::string::npos) << "other sections survive a save";
  EXPECT_EQ(ReadIniInt(kMainSection, kStopKey, 0), 1);
}

TEST_F(SettingsFile, LongSavePathIsReadWhole) {
  std::string longPath = "C:\\" + std::string(5000, 'a');
  CSettings s;
  s.SetDefaults();
  s.SavePath = longPath;
  s.Save();
  CSettings back;
  back.Load();
  EXPECT_EQ(back.SavePath, longPath);
}

TEST_F(SettingsFile, SingleWritesKeepTheRestOfTheFile) {
  CSettings s;
  s.SetDefaults();
  s.Save();
  WriteIniInt(kMainSection, kStopKey, 1);
  WriteIniString(kListSection, "Turn", "1");
  CSettings back;
  back.Load();
  EXPECT_EQ(back.SavePath, s.SavePath);
  EXPECT_EQ(ReadIniInt(kMainSection, kStopKey, 0), 1);
  EXPECT_EQ(ReadIniString(kListSection, "Turn", ""), "1");
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileWhole) {
  CSettings s;
  s.SetDefaults();
  s.Save();
  const std::string before = Ini();
  // A folder where the copy would go keeps the copy from being written.
  CreateDirectoryA((dir_ / "Zelk.ini.new").c_str(), nullptr);
  s.SaveTimeNum = 12;
  s.Save();
  WriteIniInt(kMainSection, kStopKey, 1);
  EXPECT_EQ(Ini(), before);
  RemoveDirectoryA((dir_ / "Zelk.ini.new").c_str());
}

TEST_F(SettingsFile, AStaleCopyFromAnInterruptedSaveIsIgnored) {
  CSettings s;
  s.SetDefaults();
  s.Save();
  WriteFile(dir_ / "Zelk.ini.new", "[Option]\r\nSaveTimeNum=99\r\n");
  CSettings back;
  back.Load();
  EXPECT_EQ(back.SaveTimeNum, 1);
  back.HistoryNum = 4;
  back.Save();
  CSettings again;
  again.Load();
  EXPECT_EQ(again.SaveTimeNum, 1);
  EXPECT_EQ(again.HistoryNum, 4);
}

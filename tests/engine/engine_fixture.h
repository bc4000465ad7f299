// A backup engine on a temporary folder: the current folder (History.dat) is
// the folder's root, sources lie under "src", the save folder is "save".
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "fileutil/line_file.h"
#include "fileutil/directory_ops.h"
#include "fake_run_host.h"
#include "history_file.h"
#include "win_temp_dir.h"

namespace zelk::testing {

using fileutil::FileInDirectory;

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : cwd_(dir_.path()), engine_(settings_, host_) {
    settings_.SetDefaults();
    settings_.SavePath = dir_ / "save";
    engine_.SetClock([this] { return now_++; });
  }

  std::string Src(const std::string& name) const { return dir_ / ("src\\" + name); }
  std::string Save(const std::string& name = "") const {
    return name.empty() ? settings_.SavePath : settings_.SavePath + "\\" + name;
  }
  void AddTarget(const std::string& path, int mark) { host_.rows.push_back({path, "", mark}); }

  // The generation name the engine's clock gives for its n-th run (0-based).
  std::string NameOfRun(int n) const {
    std::time_t t = start_ + n;
    std::tm local{};
    localtime_s(&local, &t);
    char name[64];
    std::strftime(name, sizeof name, "%y.%m.%d.%H.%M.%S", &local);
    return name;
  }

  TempDir dir_;
  CurrentDirectory cwd_;
  settings::CSettings settings_;
  FakeRunHost host_;
  engine::CBackupEngine engine_;
  const std::time_t start_ = 1057500000;  // a fixed local time in 2003
  std::time_t now_ = start_;
};

}  // namespace zelk::testing

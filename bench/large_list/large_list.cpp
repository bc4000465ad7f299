// FileList.dat with 100,000 rows in the real Zelk.exe: the time from the
// program's start to its visible main window, and the time of the
// missing-target check at Start (100,000 existing files in 100 folders, the
// last row missing, so every row is looked at before the question comes).
// Three rounds; prints each and the best. With ZELK_BENCH_TINY set, one
// round of 20 rows, to see that the benchmark still works.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "zelk_process.h"

using namespace zelk::e2e;

namespace {

const bool kTiny = std::getenv("ZELK_BENCH_TINY") != nullptr;
const int kFolders = kTiny ? 2 : 100;
const int kFilesPerFolder = kTiny ? 10 : 1000;
const int kRounds = kTiny ? 1 : 3;

double MillisSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string FileName(int folder, int file) {
  char name[64];
  std::snprintf(name, sizeof name, "many\\d%02d\\f%04d.txt", folder, file);
  return name;
}

}  // namespace

TEST(LargeList, WindowAndMissingTargetCheckWithAHundredThousandRows) {
  std::vector<double> openMillis, checkMillis, startMillis;
  for (int round = 0; round < kRounds; ++round) {
    ZelkProcess zelk;
    zelk.WriteIni("SavePath=" + zelk.Path("save") + "\r\nSaveTimeNum=1\r\nSaveTimeTani=0\r\nEndBackup=0\r\n");
    // The files, made by the Linux side in one go.
    const std::string many = UnixPath(zelk.Path("many"));
    ASSERT_EQ(RunUnix("mkdir -p '" + many + "' && cd '" + many + "' && for d in $(seq -f %02g 0 " +
                          std::to_string(kFolders - 1) + "); do mkdir d$d && (cd d$d && seq -f f%04g.txt 0 " +
                          std::to_string(kFilesPerFolder - 1) + " | xargs touch); done",
                      300000),
              0);
    std::vector<std::string> lines;
    lines.reserve(kFolders * kFilesPerFolder);
    for (int d = 0; d < kFolders; ++d) {
      for (int f = 0; f < kFilesPerFolder; ++f) lines.push_back("2;" + zelk.Path(FileName(d, f)) + ";;");
    }
    const std::string missing = zelk.Path("many\\gone.txt");
    lines.back() = "2;" + missing + ";;";
    zelk.WriteFileList(lines);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    zelk.Start();
    openMillis.push_back(MillisSince(start));
    ASSERT_EQ(zelk.ListRowCount(), kFolders * kFilesPerFolder);

    QueryPerformanceCounter(&start);
    zelk.Command(IDC_START);
    MessageBoxSeen box = zelk.WaitForBox(120000);
    checkMillis.push_back(MillisSince(start));
    ASSERT_EQ(box.caption, missing);

    // Yes: the missing row goes, the list is saved and the program goes to
    // the tray.
    QueryPerformanceCounter(&start);
    ZelkProcess::Press(box, IDYES);
    for (int i = 0; i < 12000 && IsWindowVisible(zelk.MainWindow()); ++i) Sleep(10);
    startMillis.push_back(MillisSince(start));
    EXPECT_FALSE(IsWindowVisible(zelk.MainWindow()));
    std::printf("round %d: window %.0f ms, missing-target check %.0f ms, removal and start %.0f ms\n", round + 1,
                openMillis.back(), checkMillis.back(), startMillis.back());
    EXPECT_TRUE(zelk.ExitFromTray(120000));
  }
  std::printf("best: window %.0f ms, missing-target check %.0f ms, removal and start %.0f ms\n",
              *std::min_element(openMillis.begin(), openMillis.end()),
              *std::min_element(checkMillis.begin(), checkMillis.end()),
              *std::min_element(startMillis.begin(), startMillis.end()));
}

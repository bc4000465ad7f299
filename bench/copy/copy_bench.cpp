// copy_bench.exe [switches] SOURCE SAVEFOLDER [KEEP [LINK]]
// Runs one backup of the folder SOURCE into SAVEFOLDER through the backup
// engine (history on, KEEP generations kept, default two; LINK 1 shares
// unchanged files with the newest generation) and prints the time the run
// took, measured with the performance counter around RunBackup alone.
// Switches, each an option of the run:
//   --exclude PATTERNS      exclusion patterns, ";"-separated (Exclude)
//   --verify                read every copy back before naming it (Verify)
//   --skip-unchanged        the run may end unchanged, as a timed run does
//                           (SkipUnchanged, RunBackup(true))
//   --format plain|zip|lzh  the save format; zip and lzh load the libraries
//                           beside this program
//   --keep-none             keep no past backups (History 0)
//   --threads N             copy on N threads (default: one per processor)
//   --time-plan             before the run, time the walk that plans it
//                           (plan::BuildPlan with the same patterns) alone
//                           and print plan_s=, plan_entries=
// History.dat and Generation.dat are read and written in the current
// folder, so run it in a scratch folder. Output, one "key=value" a line:
//   elapsed_s=<seconds>
//   result=ok | unchanged | partly | failed
//   files=<files written>  bytes=<their bytes>  excluded=<files left out>
//   skipped=<sources not read>  verified=0 | 1
//   error=<last-error text, Shift-JIS; empty on success>
// Exit code 0 when the run did not fail, 1 when it failed, 2 on bad
// arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "engine/run_host.h"
#include "exclusion/exclusion_patterns.h"
#include "plan/plan_walker.h"
#include "settings/settings.h"
#include "targets/target_entry.h"

namespace {

// The run's owner: no window, one active folder row.
class BenchHost final : public zelk::engine::IRunHost {
 public:
  explicit BenchHost(std::string source) : source_(std::move(source)) {}
  void EnableControls(bool) override {}
  std::vector<zelk::targets::TargetEntry> SnapshotTargets() override {
    return {zelk::targets::TargetEntry{source_, "", zelk::targets::ActiveFolder}};
  }

 private:
  std::string source_;
};

struct Arguments {
  std::vector<std::string> positional;
  zelk::settings::CSettings settings;
  bool mayStayUnchanged = false;
  bool timePlan = false;
  int threads = 0;
};

int Usage() {
  std::fprintf(stderr,
               "usage: copy_bench.exe [--exclude PATTERNS] [--verify] [--skip-unchanged]\n"
               "                      [--format plain|zip|lzh] [--keep-none] [--threads N] [--time-plan]\n"
               "                      SOURCE SAVEFOLDER [KEEP [LINK]]\n");
  return 2;
}

int FormatOf(const char* name) {
  if (std::strcmp(name, "plain") == 0) return zelk::settings::PlainCopy;
  if (std::strcmp(name, "zip") == 0) return zelk::settings::ZipArchive;
  if (std::strcmp(name, "lzh") == 0) return zelk::settings::LzhArchive;
  return -1;
}

// False on a switch it does not know or one without its value.
bool Parse(int argc, char** argv, Arguments& out) {
  zelk::settings::CSettings& s = out.settings;
  s.History = 1;
  s.HistoryNum = 2;
  s.DefMode = zelk::settings::PlainCopy;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--exclude" && hasValue) {
      s.Exclude = argv[++i];
    } else if (arg == "--format" && hasValue) {
      s.DefMode = FormatOf(argv[++i]);
      if (s.DefMode < 0) return false;
    } else if (arg == "--verify") {
      s.Verify = true;
    } else if (arg == "--skip-unchanged") {
      s.SkipUnchanged = true;
      out.mayStayUnchanged = true;
    } else if (arg == "--keep-none") {
      s.History = 0;
    } else if (arg == "--threads" && hasValue) {
      out.threads = std::atoi(argv[++i]);
      if (out.threads <= 0) return false;
    } else if (arg == "--time-plan") {
      out.timePlan = true;
    } else if (arg.starts_with("--")) {
      return false;
    } else {
      out.positional.push_back(arg);
    }
  }
  const std::size_t n = out.positional.size();
  if (n < 2 || n > 4) return false;
  s.SavePath = out.positional[1];
  if (n > 2) s.HistoryNum = std::atoi(out.positional[2].c_str());
  s.LinkUnchanged = n > 3 && std::atoi(out.positional[3].c_str()) != 0;
  return true;
}

const char* ResultName(bool failed, zelk::engine::RunResult result) {
  using zelk::engine::RunResult;
  if (failed || result == RunResult::Failed) return "failed";
  if (result == RunResult::Unchanged) return "unchanged";
  return result == RunResult::PartlyFailed ? "partly" : "ok";
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!Parse(argc, argv, args)) return Usage();

  BenchHost host(args.positional[0]);
  zelk::engine::CBackupEngine engine(args.settings, host);
  engine.SetCopyThreads(args.threads);

  LARGE_INTEGER frequency{};
  LARGE_INTEGER start{};
  LARGE_INTEGER stop{};
  QueryPerformanceFrequency(&frequency);
  if (args.timePlan) {
    QueryPerformanceCounter(&start);
    const zelk::plan::RunPlan plan = zelk::plan::BuildPlan(host.SnapshotTargets(), args.settings.SavePath,
                                                           zelk::exclusion::PatternList(args.settings.Exclude));
    QueryPerformanceCounter(&stop);
    std::printf("plan_s=%.6f\nplan_entries=%zu\n", Seconds(start, stop, frequency), plan.entries.size());
  }
  QueryPerformanceCounter(&start);
  const bool failed = engine.RunBackup(args.mayStayUnchanged);
  QueryPerformanceCounter(&stop);

  const zelk::engine::RunOutput& out = engine.LastRunOutput();
  std::printf("elapsed_s=%.6f\n", Seconds(start, stop, frequency));
  std::printf("result=%s\n", ResultName(failed, out.result));
  std::printf("files=%llu\n", static_cast<unsigned long long>(out.written.files));
  std::printf("bytes=%llu\n", static_cast<unsigned long long>(out.written.bytes));
  std::printf("excluded=%llu\n", static_cast<unsigned long long>(out.excluded.files));
  std::printf("skipped=%zu\n", out.skipped.size());
  std::printf("verified=%d\n", out.verified ? 1 : 0);
  std::printf("error=%s\n", engine.GetLastErrorText().c_str());
  std::fflush(stdout);
  return failed ? 1 : 0;
}

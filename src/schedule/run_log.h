// The run log on disk: one line per run appended to "RunLog.txt" in the
// current folder, beside FileList.dat and History.dat. Each write replaces
// the whole file at once (fileutil::COutFile), so the log holds its old or
// its new content, never a torn one. A log that cannot be read or written
// (another program holds it open, the folder is read-only) is skipped: a
// backup never fails for its log, and the next run tries again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "schedule/run_log_line.h"
#include "settings/settings.h"

namespace zelk::schedule {

// The log, opened by its bare name in the current directory.
inline constexpr const char* kRunLogFileName = "RunLog.txt";

// Appends a run's lines (trimming the log past kRunLogLimit); true when the
// log was skipped.
bool AppendToRunLog(const std::string& path, const std::vector<std::string>& lines) noexcept;

// The log's last line that reads as a run; nullopt when there is none or the
// log cannot be read.
std::optional<LastRun> LastRunInLog(const std::string& path, const RunLogWords& words) noexcept;

// A run on its way into the log: the record started now, with the format
// and history mode of the settings, and the clock that times it.
class TimedRun {
 public:
  TimedRun(RunTrigger trigger, const settings::CSettings& settings);
  // The backup proper begins now: a question that waited for the user does
  // not count.
  void StartOver();
  // The record of the ended run: its seconds, result and reason (the
  // failure's text, or a partly failed run's caption), and what the engine
  // made when the run reached it (output; nullptr when not).
  const RunLogRecord& Finish(RunEnd end, const std::string& reason, const engine::RunOutput* output);

 private:
  RunLogRecord record_;
  unsigned long long ticks_ = 0;
};

}  // namespace zelk::schedule

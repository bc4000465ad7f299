#include "schedule/run_log.h"

#include <windows.h>

#include "fileutil/line_file.h"

namespace zelk::schedule {
namespace {

std::tm LocalNow() {
  std::tm local{};
  const std::time_t now = std::time(nullptr);
  if (localtime_s(&local, &now) != 0) local = std::tm{};
  return local;
}

}  // namespace

TimedRun::TimedRun(RunTrigger trigger, const settings::CSettings& settings) : ticks_(GetTickCount64()) {
  record_.start = LocalNow();
  record_.trigger = trigger;
  record_.format = settings.DefMode;
  record_.history = settings.History;
  record_.historyNum = settings.HistoryNum;
}

void TimedRun::StartOver() {
  record_.start = LocalNow();
  ticks_ = GetTickCount64();
}

const RunLogRecord& TimedRun::Finish(RunEnd end, const std::string& reason, const engine::RunOutput* output) {
  record_.seconds = static_cast<long long>((GetTickCount64() - ticks_ + 500) / 1000);
  record_.end = end;
  record_.reason = end == RunEnd::Failed || end == RunEnd::PartlyFailed ? reason : std::string();
  if (output != nullptr) {
    record_.generation = output->generation;
    record_.files = output->written.files;
    record_.bytes = output->written.bytes;
    record_.verified = output->verified && end != RunEnd::Failed;
    record_.excludedFiles = output->excluded.files;
    record_.excludedBytes = output->excluded.bytes;
    record_.linksNotEntered = output->linksNotEntered;
    // What a partly failed generation lacks; a failed run made none.
    if (end == RunEnd::PartlyFailed) {
      for (const engine::SkippedSource& skip : output->skipped) {
        record_.skipped.push_back({skip.path, skip.reason, skip.carried});
      }
    }
  }
  return record_;
}

bool AppendToRunLog(const std::string& path, const std::vector<std::string>& added) noexcept {
  try {
    fileutil::COutFile log(path);
    if (!log.GetErrorMsg().empty()) return true;
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(log.GetLineCount()) + 1);
    for (int n = 1; n <= log.GetLineCount(); ++n) lines.push_back(log.ReadLineEx(1, n));
    return log.ReplaceAll(AppendTrimmed(std::move(lines), added, kRunLogLimit));
  } catch (...) {
    return true;  // out of memory: this run goes unlogged
  }
}

std::optional<LastRun> LastRunInLog(const std::string& path, const RunLogWords& words) noexcept {
  try {
    fileutil::COutFile log(path);
    for (int n = log.GetLineCount(); n >= 1; --n) {
      if (auto last = ParseRunLogLine(log.ReadLineEx(1, n), words)) return last;
    }
  } catch (...) {
  }
  return std::nullopt;
}

}  // namespace zelk::schedule

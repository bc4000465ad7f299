// One line of the run log per backup run (timed, backup now, at exit), and
// the log kept small: tab-separated fields in the ANSI code page, the oldest
// half dropped once the file grows past its limit. The words come from the
// string table (RunLogWords); nothing here needs Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace zelk::schedule {

// What started a run.
enum class RunTrigger { Timed, Now, AtExit };

// The texts a line is made of.
struct RunLogWords {
  std::string timed;      // 定期
  std::string now;        // 今すぐ
  std::string atExit;     // 終了時
  std::string plain;      // 無圧縮
  std::string zip;        // zip
  std::string lzh;        // lzh
  std::string keepNone;   // 残さない
  std::string keepSuffix; // つ残す, after the number kept
  std::string success;    // 成功
  std::string failure;    // 失敗
};

// One run as the log records it.
struct RunLogRecord {
  std::tm start{};  // local time the run started
  RunTrigger trigger = RunTrigger::Timed;
  int format = 0;      // DefMode: 0 plain, 1 zip, 2 lzh
  int history = 0;     // 0: keep none
  int historyNum = 0;  // generations kept otherwise
  bool failed = false;
  long long seconds = 0;  // how long the run took
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::string generation;  // the generation's path; empty when none was named
  std::string reason;      // the failure's text; only written for a failure
};

// The line of a record, without a line end: start time ("yyyy/mm/dd
// hh:mm:ss"), trigger, format, history mode, result, seconds, files, bytes,
// generation, and for a failure its reason. Tabs and line breaks inside a
// field become blanks, so a line is always one line of ten fields at most.
std::string FormatRunLogLine(const RunLogRecord& record, const RunLogWords& words);

// The log's lines with `line` appended; when the file would then hold more
// than limit bytes (each line counted with its CRLF), the oldest lines go
// until it holds limit / 2 or less. The new line always stays.
std::vector<std::string> AppendTrimmed(std::vector<std::string> lines, std::string line, std::size_t limit);

// The log's size limit: 1 MiB.
inline constexpr std::size_t kRunLogLimit = 1024 * 1024;

// When the last run ended and whether it failed.
struct LastRun {
  std::tm end{};
  bool failed = false;
};

// The end of a record: its start plus its seconds, in local time.
LastRun LastRunOf(const RunLogRecord& record);

// Reads a line of the log back: nullopt when it is not one (a hand-edited
// or foreign line).
std::optional<LastRun> ParseRunLogLine(const std::string& line, const RunLogWords& words);

// The tray tip's second line: prefix ("前回: "), "mm/dd hh:mm", a blank and
// the result word.
std::string LastRunTipLine(const LastRun& last, const std::string& prefix, const RunLogWords& words);

}  // namespace zelk::schedule

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

// How a run ended, as the log and the tray tell it.
enum class RunEnd { Success, PartlyFailed, Failed, Unchanged };

// Whether a run's end is one the tray marks with a warning.
inline bool IsTrouble(RunEnd end) { return end == RunEnd::Failed || end == RunEnd::PartlyFailed; }

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
  std::string partlyFailed;  // 一部失敗
  std::string unchanged;     // 変更なし
  std::string verified;      // 照合済み
  std::string excluded;      // "除外 %1 ファイル %2 バイト"
  std::string links;         // "入らなかったリンク %1"
  std::string carried;       // 前回のコピーを保持
  std::string notCarried;    // 前回のコピーなし
};

// A source the run left out, on its own line after the run's line.
struct LoggedSkip {
  std::string path;
  std::string reason;
  bool carried = false;
};

// One run as the log records it.
struct RunLogRecord {
  std::tm start{};  // local time the run started
  RunTrigger trigger = RunTrigger::Timed;
  int format = 0;      // DefMode: 0 plain, 1 zip, 2 lzh
  int history = 0;     // 0: keep none
  int historyNum = 0;  // generations kept otherwise
  RunEnd end = RunEnd::Success;
  long long seconds = 0;  // how long the run took
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::string generation;  // the generation's path; empty when none was named
  // The failure's text, or a partly failed run's caption; written for those
  // two only.
  std::string reason;
  bool verified = false;
  std::uint64_t excludedFiles = 0;
  std::uint64_t excludedBytes = 0;
  std::uint64_t linksNotEntered = 0;
  std::vector<LoggedSkip> skipped;
};

// The line of a record, without a line end: start time ("yyyy/mm/dd
// hh:mm:ss"), trigger, format, history mode, result, seconds, files, bytes,
// generation, and for a failure or a partly failed run its reason. Then, only
// when there is something to say (the reason field present, empty if need
// be): "照合済み" for a verified run, the files and bytes the exclusion
// patterns left out, the links not entered. Tabs and line breaks inside a
// field become blanks, so the run's line is always one line.
std::string FormatRunLogLine(const RunLogRecord& record, const RunLogWords& words);

// The run's line followed by one line per skipped source: an empty first
// field (so that no reader takes it for a run), the path, the reason and
// whether the generation holds an earlier copy.
std::vector<std::string> FormatRunLogLines(const RunLogRecord& record, const RunLogWords& words);

// The log's lines with the `added` lines appended; when the file would then
// hold more than limit bytes (each line counted with its CRLF), the oldest
// lines go until it holds limit / 2 or less, and with them the detail lines
// that followed them. The added lines always stay.
std::vector<std::string> AppendTrimmed(std::vector<std::string> lines, std::vector<std::string> added,
                                       std::size_t limit);

// The log's size limit: 1 MiB.
inline constexpr std::size_t kRunLogLimit = 1024 * 1024;

// When the last run ended and how.
struct LastRun {
  std::tm end{};
  RunEnd result = RunEnd::Success;
};

// The end of a record: its start plus its seconds, in local time.
LastRun LastRunOf(const RunLogRecord& record);

// Reads a line of the log back: nullopt when it is not a run's line (a
// skipped source's line, a hand-edited or foreign line). Lines of every
// earlier version read back as well.
std::optional<LastRun> ParseRunLogLine(const std::string& line, const RunLogWords& words);

// The tray tip's second line: prefix ("前回: "), "mm/dd hh:mm", a blank and
// the result word.
std::string LastRunTipLine(const LastRun& last, const std::string& prefix, const RunLogWords& words);

}  // namespace zelk::schedule

#include "schedule/run_log_line.h"

#include <cstdio>
#include <utility>

#include "text/message.h"

namespace zelk::schedule {
namespace {

// Tabs and line breaks would split a field or a line. Neither byte is ever
// the trail byte of a double-byte character, so a byte scan is safe.
std::string Field(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

const std::string& TriggerWord(RunTrigger trigger, const RunLogWords& words) {
  switch (trigger) {
    case RunTrigger::Now:
      return words.now;
    case RunTrigger::AtExit:
      return words.atExit;
    case RunTrigger::Timed:
      break;
  }
  return words.timed;
}

std::string FormatWord(int format, const RunLogWords& words) {
  switch (format) {
    case 0:
      return words.plain;
    case 1:
      return words.zip;
    case 2:
      return words.lzh;
    default:
      return std::to_string(format);  // a hand-edited INI value, as it stands
  }
}

const std::string& ResultWord(RunEnd end, const RunLogWords& words) {
  switch (end) {
    case RunEnd::PartlyFailed:
      return words.partlyFailed;
    case RunEnd::Failed:
      return words.failure;
    case RunEnd::Unchanged:
      return words.unchanged;
    case RunEnd::Success:
      break;
  }
  return words.success;
}

// The fields after the reason, each only when it has something to say.
std::vector<std::string> ExtraFields(const RunLogRecord& record, const RunLogWords& words) {
  std::vector<std::string> extra;
  if (record.verified) extra.push_back(words.verified);
  if (record.excludedFiles > 0) {
    extra.push_back(
        text::Substitute(words.excluded, {std::to_string(record.excludedFiles), std::to_string(record.excludedBytes)}));
  }
  if (record.linksNotEntered > 0) {
    extra.push_back(text::Substitute(words.links, {std::to_string(record.linksNotEntered)}));
  }
  return extra;
}

std::string Two(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Digits only, at most max_digits of them.
std::optional<long long> Number(const std::string& text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  long long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// "yyyy/mm/dd hh:mm:ss".
std::optional<std::tm> ParseTime(const std::string& text) {
  if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  const auto year = Number(text.substr(0, 4), 4);
  const auto month = Number(text.substr(5, 2), 2);
  const auto day = Number(text.substr(8, 2), 2);
  const auto hour = Number(text.substr(11, 2), 2);
  const auto minute = Number(text.substr(14, 2), 2);
  const auto second = Number(text.substr(17, 2), 2);
  if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 || *day < 1 ||
      *day > 31 || *hour > 23 || *minute > 59 || *second > 60) {
    return std::nullopt;
  }
  std::tm time{};
  time.tm_year = static_cast<int>(*year) - 1900;
  time.tm_mon = static_cast<int>(*month) - 1;
  time.tm_mday = static_cast<int>(*day);
  time.tm_hour = static_cast<int>(*hour);
  time.tm_min = static_cast<int>(*minute);
  time.tm_sec = static_cast<int>(*second);
  time.tm_isdst = -1;
  return time;
}

// start plus seconds, normalised in local time; start itself when the sum
// cannot be represented.
std::tm Later(std::tm start, long long seconds) {
  std::tm end = start;
  end.tm_isdst = -1;
  if (seconds > 0 && seconds <= 366LL * 24 * 3600) end.tm_sec += static_cast<int>(seconds);
  std::tm normal = end;
  if (std::mktime(&normal) == static_cast<std::time_t>(-1)) return start;
  return normal;
}

}  // namespace

std::string FormatRunLogLine(const RunLogRecord& record, const RunLogWords& words) {
  const std::tm& t = record.start;
  std::string line = std::to_string(t.tm_year + 1900) + "/" + Two(t.tm_mon + 1) + "/" + Two(t.tm_mday) + " " +
                     Two(t.tm_hour) + ":" + Two(t.tm_min) + ":" + Two(t.tm_sec);
  line += '\t' + TriggerWord(record.trigger, words);
  line += '\t' + FormatWord(record.format, words);
  line += '\t' + (record.history == 0 ? words.keepNone : std::to_string(record.historyNum) + words.keepSuffix);
  line += '\t' + ResultWord(record.end, words);
  line += '\t' + std::to_string(record.seconds < 0 ? 0 : record.seconds);
  line += '\t' + std::to_string(record.files);
  line += '\t' + std::to_string(record.bytes);
  line += '\t' + Field(record.generation);
  const bool hasReason = record.end == RunEnd::Failed || record.end == RunEnd::PartlyFailed;
  const std::vector<std::string> extra = ExtraFields(record, words);
  if (hasReason || !extra.empty()) line += '\t' + (hasReason ? Field(record.reason) : std::string());
  for (const std::string& field : extra) line += '\t' + field;
  return line;
}

std::vector<std::string> FormatRunLogLines(const RunLogRecord& record, const RunLogWords& words) {
  std::vector<std::string> lines{FormatRunLogLine(record, words)};
  for (const LoggedSkip& skip : record.skipped) {
    lines.push_back('\t' + Field(skip.path) + '\t' + Field(skip.reason) + '\t' +
                    (skip.carried ? words.carried : words.notCarried));
  }
  return lines;
}

std::vector<std::string> AppendTrimmed(std::vector<std::string> lines, std::vector<std::string> added,
                                       std::size_t limit) {
  const std::size_t kept = lines.size();
  for (std::string& line : added) lines.push_back(std::move(line));
  std::size_t total = 0;
  for (const std::string& each : lines) total += each.size() + 2;
  if (total <= limit) return lines;
  std::size_t drop = 0;
  while (drop < kept && total > limit / 2) {
    total -= lines[drop].size() + 2;
    ++drop;
  }
  // A skipped source's line goes with the run it belongs to.
  while (drop < kept && !lines[drop].empty() && lines[drop][0] == '\t') ++drop;
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(drop));
  return lines;
}

LastRun LastRunOf(const RunLogRecord& record) {
  return {Later(record.start, record.seconds), record.end};
}

std::optional<LastRun> ParseRunLogLine(const std::string& line, const RunLogWords& words) {
  const std::vector<std::string> fields = SplitFields(line);
  if (fields.size() < 9) return std::nullopt;
  const std::optional<std::tm> start = ParseTime(fields[0]);
  const std::optional<long long> seconds = Number(fields[5], 18);
  if (!start || !seconds) return std::nullopt;
  for (RunEnd end : {RunEnd::Success, RunEnd::PartlyFailed, RunEnd::Failed, RunEnd::Unchanged}) {
    const std::string& word = ResultWord(end, words);
    if (!word.empty() && fields[4] == word) return LastRun{Later(*start, *seconds), end};
  }
  return std::nullopt;
}

std::string LastRunTipLine(const LastRun& last, const std::string& prefix, const RunLogWords& words) {
  const std::tm& t = last.end;
  return prefix + Two(t.tm_mon + 1) + "/" + Two(t.tm_mday) + " " + Two(t.tm_hour) + ":" + Two(t.tm_min) + " " +
         ResultWord(last.result, words);
}

}  // namespace zelk::schedule

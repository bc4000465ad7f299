#include "common/left_out.h"

#include <algorithm>
#include <string_view>

#include "common/zelk_extensions.h"
#include "text/mbcs.h"

namespace zelk::archivers {
namespace {

// Tabs and line ends would break the report's lines.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// A reason as the program shows it, in parentheses after the path: without
// the system text's closing blanks and full stop ("." or the ideographic
// "\x81\x42"). The ideographic stop is cut only when it is a whole character.
std::string WithoutClosingStop(std::string text) {
  static constexpr std::string_view kIdeographicStop = "\x81\x42";
  for (;;) {
    if (!text.empty() && (text.back() == ' ' || text.back() == '.')) {
      text.pop_back();
    } else if (text.ends_with(kIdeographicStop) &&
               text::TruncateChars(text, text.size() - 2).size() == text.size() - 2) {
      text.resize(text.size() - 2);
    } else {
      return text;
    }
  }
}

}  // namespace

void LeftOutList::Add(std::string path, std::string reason, std::uint64_t order) {
  // Most entries come in order: the search from the end is short.
  auto at = entries_.end();
  while (at != entries_.begin() && std::prev(at)->order > order) --at;
  entries_.insert(at, {OneLine(std::move(path)), WithoutClosingStop(OneLine(std::move(reason))), order});
}

std::string LeftOutList::Report(std::size_t room) const {
  std::string report = std::string(kLeftOutHeader) + std::to_string(entries_.size()) + "\r\n";
  if (report.size() > room) return {};
  for (const Entry& e : entries_) {
    const std::size_t line = e.path.size() + 1 + e.reason.size() + 2;
    if (report.size() + line > room) break;
    report += e.path;
    report += '\t';
    report += e.reason;
    report += "\r\n";
  }
  return report;
}

}  // namespace zelk::archivers

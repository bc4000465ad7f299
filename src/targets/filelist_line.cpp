#include "targets/filelist_line.h"

#include <climits>

#include "text/mbcs.h"

namespace zelk::targets {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view UpToNul(std::string_view s) {
  std::size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// The next field of `line` starting at `pos`: the text up to the next ';' (or
// to the end). Moves `pos` past that ';', or to npos when there was none.
std::string_view NextField(std::string_view line, std::size_t& pos) {
  if (pos == std::string_view::npos || pos > line.size()) {
    pos = std::string_view::npos;
    return {};
  }
  std::size_t sep = text::FindFirstChar(line, ';', pos);
  std::string_view field = line.substr(pos, sep == std::string_view::npos ? line.size() - pos : sep - pos);
  pos = sep == std::string_view::npos ? std::string_view::npos : sep + 1;
  return field;
}

}  // namespace

std::string FormatFileListLine(const TargetEntry& entry) {
  std::string line = std::to_string(entry.mark);
  line += ';';
  line += UpToNul(entry.path);
  line += ';';
  line += UpToNul(entry.comment);
  line += ';';
  return line;
}

bool IsBlankFileListLine(std::string_view line) {
  for (char c : UpToNul(line)) {
    if (!IsCSpace(c)) return false;
  }
  return true;
}

int ParseMarkField(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && IsCSpace(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  // The magnitude, saturated at the largest value the sign allows.
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int>(negative ? -value : value);
}

TargetEntry ParseFileListLine(std::string_view line) {
  line = UpToNul(line);
  std::size_t pos = 0;
  TargetEntry entry;
  entry.mark = ParseMarkField(NextField(line, pos));
  entry.path = std::string(NextField(line, pos));
  entry.comment = std::string(NextField(line, pos));
  return entry;
}

}  // namespace zelk::targets

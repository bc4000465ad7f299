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

// True when the field starts (after blanks and a sign) with a digit.
bool HasNumber(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && IsCSpace(field[i])) ++i;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
  return i < field.size() && field[i] >= '0' && field[i] <= '9';
}

// The full-width semicolon in the ANSI code page 932.
constexpr std::string_view kFullWidthSemicolon = "\x81\x47";

// Length of the comment's character at i: as the code page says, except that
// a lead byte before a line break stands alone (the file is split into lines
// byte by byte, before any character is read).
std::size_t CommentCharLength(std::string_view s, std::size_t i) {
  const std::size_t length = text::CharLength(s, i);
  return length == 2 && (s[i + 1] == '\r' || s[i + 1] == '\n') ? 1 : length;
}

}  // namespace

bool CommentBreaksLine(std::string_view comment) {
  for (std::size_t i = 0; i < comment.size(); i += CommentCharLength(comment, i)) {
    const char c = comment[i];
    if (c == ';' || c == '\r' || c == '\n') return true;
  }
  return false;
}

std::string FileListComment(std::string_view comment) {
  std::string out;
  out.reserve(comment.size());
  for (std::size_t i = 0; i < comment.size();) {
    const std::size_t length = CommentCharLength(comment, i);
    const char c = comment[i];
    if (length == 2) {
      out.append(comment.substr(i, 2));
    } else if (c == ';') {
      out.append(kFullWidthSemicolon);
    } else if (c == '\r' || c == '\n') {
      out += ' ';
      if (c == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') ++i;
    } else if (!text::IsLeadByte(static_cast<unsigned char>(c))) {
      out += c;
    }
    i += length;
  }
  return out;
}

std::string FormatFileListLine(const TargetEntry& entry) {
  std::string line = std::to_string(entry.mark);
  line += ';';
  line += UpToNul(entry.path);
  line += ';';
  line += FileListComment(UpToNul(entry.comment));
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
  const std::string_view markField = NextField(line, pos);
  entry.mark = HasNumber(markField) ? ParseMarkField(markField) : kUnknownMark;
  entry.path = std::string(NextField(line, pos));
  entry.comment = std::string(NextField(line, pos));
  return entry;
}

}  // namespace zelk::targets

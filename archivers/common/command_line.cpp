#include "common/command_line.h"

#include "text/mbcs.h"

namespace zelk::archivers {

std::optional<std::vector<std::string>> TokenizeCommandLine(std::string_view line,
                                                            std::string* error) {
  std::vector<std::string> tokens;
  std::string current;
  bool inToken = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t len = text::CharLength(line, i);
    const char c = line[i];
    if (len == 1 && c == '"') {
      quoted = !quoted;
      inToken = true;
    } else if (len == 1 && !quoted && (c == ' ' || c == '\t')) {
      if (inToken) {
        tokens.push_back(std::move(current));
        current.clear();
        inToken = false;
      }
    } else {
      current.append(line.substr(i, len));
      inToken = true;
    }
    i += len;
  }
  if (quoted) {
    if (error) *error = "Unterminated quote in the command line.";
    return std::nullopt;
  }
  if (inToken) tokens.push_back(std::move(current));
  return tokens;
}

std::string TakeLeadingSwitches(std::vector<std::string>& tokens) {
  std::string letters;
  std::size_t used = 0;
  while (used < tokens.size() && tokens[used].size() > 1 && tokens[used][0] == '-') {
    letters += tokens[used].substr(1);
    ++used;
  }
  tokens.erase(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(used));
  return letters;
}

}  // namespace zelk::archivers

#include "common/command_line.h"

#include <iterator>

#include "text/mbcs.h"

namespace zelk::archivers {

std::optional<std::vector<std::string>> TokenizeCommandLine(std::string_view line, std::string* error,
                                                            std::vector<bool>* quoted) {
  std::vector<std::string> tokens;
  std::vector<bool> quotes;
  bool hadQuote = false;
  std::string current;
  bool inToken = false;
  bool inQuote = false;
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t len = text::CharLength(line, i);
    const char c = line[i];
    if (len == 1 && c == '"') {
      inQuote = !inQuote;
      inToken = true;
      hadQuote = true;
    } else if (len == 1 && !inQuote && (c == ' ' || c == '\t')) {
      if (inToken) {
        tokens.push_back(std::move(current));
        quotes.push_back(hadQuote);
        current.clear();
        inToken = false;
        hadQuote = false;
      }
    } else {
      current.append(line.substr(i, len));
      inToken = true;
    }
    i += len;
  }
  if (inQuote) {
    if (error) *error = "Unterminated quote in the command line.";
    return std::nullopt;
  }
  if (inToken) {
    tokens.push_back(std::move(current));
    quotes.push_back(hadQuote);
  }
  if (quoted) *quoted = std::move(quotes);
  return tokens;
}

bool IsSwitchToken(const std::string& token) { return token.size() > 1 && token[0] == '-'; }

void TakeExclusions(std::vector<std::string>& tokens, std::vector<bool>& quoted, std::size_t from,
                    std::vector<std::string>* patterns) {
  for (std::size_t i = from; i < tokens.size(); ++i) {
    if (tokens[i] != kExcludeSwitch || (i < quoted.size() && quoted[i])) continue;
    patterns->assign(std::make_move_iterator(tokens.begin() + static_cast<std::ptrdiff_t>(i + 1)),
                     std::make_move_iterator(tokens.end()));
    tokens.resize(i);
    if (quoted.size() > i) quoted.resize(i);
    return;
  }
}

std::string TakeLeadingSwitches(std::vector<std::string>& tokens) {
  std::string letters;
  std::size_t used = 0;
  while (used < tokens.size() && IsSwitchToken(tokens[used])) {
    letters += tokens[used].substr(1);
    ++used;
  }
  tokens.erase(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(used));
  return letters;
}

}  // namespace zelk::archivers

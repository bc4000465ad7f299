// Splits an archiver command line into tokens. Tokens are separated by
// blanks or tabs; a double quote starts or ends a quoted run in which blanks
// are kept, so "C:\My Data" is one token and "" is an empty one. A backslash
// is an ordinary character (paths such as "C:\" end with one). Scans are
// double-byte aware, so a Shift-JIS trail byte is never taken for a blank or
// a quote.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::archivers {

// What every add command names: the archive, and the targets with how they
// are walked. The formats add their own switches.
struct AddCommand {
  bool recurse = false;              // descend into folder targets
  bool includeHiddenSystem = false;  // entries below a target with those attributes
  std::string archivePath;
  std::string baseFolder;
  std::vector<std::string> names;   // relative to baseFolder
  // Exclusion patterns (src/exclusion), applied below each folder target.
  std::vector<std::string> exclude;
};

// The switch that starts the exclusion patterns: a lone unquoted "-x" after
// the names, then one quoted pattern per token to the end of the line.
inline constexpr const char* kExcludeSwitch = "-x";

// The tokens of line, or nothing with a reason in *error when a quote is left
// open. quoted (when given) tells for each token whether a quote was in it.
std::optional<std::vector<std::string>> TokenizeCommandLine(std::string_view line, std::string* error,
                                                            std::vector<bool>* quoted = nullptr);

// True for a token that carries switches: "-" and at least one letter.
bool IsSwitchToken(const std::string& token);

// Moves the patterns after the first lone unquoted "-x" at index from or
// later into *patterns and cuts tokens (and quoted) before that "-x".
void TakeExclusions(std::vector<std::string>& tokens, std::vector<bool>& quoted, std::size_t from,
                    std::vector<std::string>* patterns);

// Switch tokens start with '-' and carry one or more single-letter switches
// ("-qrS"). Splits the letters of every leading switch token off the front of
// tokens and returns them; the remaining tokens stay in order. A lone "-" is
// not a switch. Parsing stops at the first token that is not a switch.
std::string TakeLeadingSwitches(std::vector<std::string>& tokens);

}  // namespace zelk::archivers

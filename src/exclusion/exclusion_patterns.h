// The exclusion patterns of a run: one list for all targets, typed by the
// user as "pattern;pattern;...". Patterns are ANSI text (Shift-JIS); every
// scan is double-byte aware, so a trail byte is never a wildcard or a
// separator.
//
//   *.tmp, ~$*, Thumbs.db   a name at any depth (file or folder)
//   obj\, .git\            a folder name at any depth (ends in "\")
//   MyProject\build\       a path from the target folder's own name on
//   Data\*\cache\          ("\" inside; "*" and "?" never cross a "\")
//
// "*" matches any run of characters, "?" one character; letters compare
// without case as the file system does. "/" counts as "\". A pattern that
// matches a folder leaves out the whole folder. Patterns apply below a
// target only: the target itself is never excluded (callers never ask).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::exclusion {

// The patterns of the typed list: split at ";", blanks trimmed, empty ones
// dropped, "/" turned into "\". Order kept.
std::vector<std::string> SplitPatterns(std::string_view typed);

// The first pattern of the typed list that cannot be accepted: one holding a
// character no file name may contain (":", "\"", "<", ">", "|", a control
// character), or "\" twice in a row. nullopt when every pattern is fine.
std::optional<std::string> FindRefusedPattern(std::string_view typed);

class PatternList {
 public:
  PatternList() = default;
  // From the typed list (SplitPatterns). Refused patterns are kept as typed;
  // they simply match nothing a file system can hold.
  explicit PatternList(std::string_view typed);

  bool empty() const { return patterns_.empty(); }
  // The patterns as split, for passing on (the archivers' switch).
  const std::vector<std::string>& Patterns() const { return texts_; }

  // True when the entry at `relative` (from the target folder's own name:
  // "MyProject\\build\\x.obj"; at least two components) is left out.
  bool Excludes(std::string_view relative, bool folder) const;

 private:
  struct Pattern {
    std::vector<std::string> parts;  // components; one for a name pattern
    bool anchored = false;           // a path from the target's own name
    bool foldersOnly = false;        // ended in "\"
  };
  std::vector<Pattern> patterns_;
  std::vector<std::string> texts_;
};

// True when name matches the one-component glob (no "\" in either).
bool MatchesName(std::string_view glob, std::string_view name);

}  // namespace zelk::exclusion

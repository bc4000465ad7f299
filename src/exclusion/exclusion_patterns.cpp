#include "exclusion/exclusion_patterns.h"

#include <cstddef>

#include "text/mbcs.h"

namespace zelk::exclusion {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The typed list split at single-byte ";" (a trail byte is never one).
std::vector<std::string_view> Fields(std::string_view typed) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= typed.size();) {
    if (i == typed.size() || typed[i] == ';') {
      fields.push_back(typed.substr(start, i - start));
      start = i + 1;
      ++i;
      continue;
    }
    i += text::CharLength(typed, i);
  }
  return fields;
}

// "/" as "\", single-byte characters only.
std::string WithBackslashes(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); i += text::CharLength(out, i)) {
    if (out[i] == '/') out[i] = '\\';
  }
  return out;
}

// The components of a path at single-byte "\"; empty components kept.
std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\') {
      parts.emplace_back(path.substr(start, i - start));
      start = i + 1;
      ++i;
      continue;
    }
    i += text::CharLength(path, i);
  }
  return parts;
}

bool IsRefusedChar(unsigned char c) {
  return c < 0x20 || c == ':' || c == '"' || c == '<' || c == '>' || c == '|';
}

char Folded(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the characters at glob[g] and name[n] (each len bytes) are equal.
bool SameChar(std::string_view glob, std::size_t g, std::size_t glen, std::string_view name, std::size_t n,
              std::size_t nlen) {
  if (glen != nlen) return false;
  if (glen == 1) return Folded(glob[g]) == Folded(name[n]);
  return glob.substr(g, glen) == name.substr(n, nlen);
}

}  // namespace

std::vector<std::string> SplitPatterns(std::string_view typed) {
  std::vector<std::string> patterns;
  for (std::string_view field : Fields(typed)) {
    std::string_view pattern = Trimmed(field);
    if (!pattern.empty()) patterns.push_back(WithBackslashes(pattern));
  }
  return patterns;
}

std::optional<std::string> FindRefusedPattern(std::string_view typed) {
  for (const std::string& pattern : SplitPatterns(typed)) {
    bool previousSeparator = false;
    for (std::size_t i = 0; i < pattern.size();) {
      const std::size_t len = text::CharLength(pattern, i);
      if (len == 1) {
        const bool separator = pattern[i] == '\\';
        if (IsRefusedChar(static_cast<unsigned char>(pattern[i])) || (separator && previousSeparator)) {
          return pattern;
        }
        previousSeparator = separator;
      } else {
        previousSeparator = false;
      }
      i += len;
    }
  }
  return std::nullopt;
}

bool MatchesName(std::string_view glob, std::string_view name) {
  // Greedy match with one backtrack point: the last "*" seen.
  std::size_t g = 0;
  std::size_t n = 0;
  std::size_t starGlob = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    const std::size_t nlen = text::CharLength(name, n);
    if (g < glob.size()) {
      const std::size_t glen = text::CharLength(glob, g);
      if (glen == 1 && glob[g] == '*') {
        starGlob = ++g;
        starName = n;
        continue;
      }
      if ((glen == 1 && glob[g] == '?') || SameChar(glob, g, glen, name, n, nlen)) {
        g += glen;
        n += nlen;
        continue;
      }
    }
    if (starGlob == std::string_view::npos) return false;
    // The "*" takes one more character of the name.
    starName += text::CharLength(name, starName);
    n = starName;
    g = starGlob;
  }
  while (g < glob.size() && glob[g] == '*') ++g;
  return g == glob.size();
}

PatternList::PatternList(std::string_view typed) {
  for (std::string& text : SplitPatterns(typed)) {
    Pattern pattern;
    std::string_view body = text;
    if (text::EndsWithChar(body, '\\')) {
      pattern.foldersOnly = true;
      body.remove_suffix(1);
    }
    if (!body.empty() && body.front() == '\\') body.remove_prefix(1);
    pattern.parts = Components(body);
    pattern.anchored = pattern.parts.size() > 1;
    if (body.empty()) continue;
    patterns_.push_back(std::move(pattern));
    texts_.push_back(std::move(text));
  }
}

bool PatternList::Excludes(std::string_view relative, bool folder) const {
  if (patterns_.empty()) return false;
  const std::vector<std::string> parts = Components(relative);
  for (const Pattern& pattern : patterns_) {
    if (pattern.foldersOnly && !folder) continue;
    if (!pattern.anchored) {
      if (MatchesName(pattern.parts.front(), parts.back())) return true;
      continue;
    }
    if (pattern.parts.size() != parts.size()) continue;
    bool all = true;
    for (std::size_t i = 0; i < parts.size() && all; ++i) all = MatchesName(pattern.parts[i], parts[i]);
    if (all) return true;
  }
  return false;
}

}  // namespace zelk::exclusion

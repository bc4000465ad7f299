#include "common/name_variants.h"

#include "text/mbcs.h"

namespace zelk::archivers {

namespace {

// Bytes of the character at i. In UTF-8 every byte of a multi-byte character
// is 0x80 or above, so stepping byte by byte never meets a false separator.
std::size_t CharLen(std::string_view s, std::size_t i, NameEncoding encoding) {
  return encoding == NameEncoding::kAnsi ? text::CharLength(s, i) : 1;
}

bool EndsWith(std::string_view s, char c, NameEncoding encoding) {
  return encoding == NameEncoding::kAnsi ? text::EndsWithChar(s, c) : (!s.empty() && s.back() == c);
}

std::size_t FindLast(std::string_view s, char c, NameEncoding encoding) {
  return encoding == NameEncoding::kAnsi ? text::FindLastChar(s, c) : s.rfind(c);
}

}  // namespace

std::string NameKey(std::string_view name, NameEncoding encoding) {
  std::string key;
  key.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t len = CharLen(name, i, encoding);
    if (len == 1) {
      char c = name[i];
      if (c == '\\') c = '/';
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      key.push_back(c);
    } else {
      key.append(name.substr(i, len));
    }
    i += len;
  }
  while (!key.empty() && key.back() == '/' && EndsWith(key, '/', encoding)) key.pop_back();
  return key;
}

void NameSet::Add(std::string_view name) { names_.insert(NameKey(name, encoding_)); }

bool NameSet::IsTaken(std::string_view name) const {
  const std::string key = NameKey(name, encoding_);
  if (names_.count(key) != 0) return true;
  const std::string prefix = key + "/";
  auto it = names_.lower_bound(prefix);
  return it != names_.end() && it->compare(0, prefix.size(), prefix) == 0;
}

std::string FreeVariantName(std::string_view name, bool isFolder, const NameSet& present) {
  const NameEncoding encoding = present.encoding();
  std::string_view base = name;
  while (!base.empty() && EndsWith(base, '/', encoding)) base.remove_suffix(1);
  while (!base.empty() && EndsWith(base, '\\', encoding)) base.remove_suffix(1);
  if (!present.IsTaken(base)) return std::string(base);

  std::size_t split = base.size();
  if (!isFolder) {
    std::size_t slash = FindLast(base, '/', encoding);
    const std::size_t backslash = FindLast(base, '\\', encoding);
    if (slash == std::string_view::npos ||
        (backslash != std::string_view::npos && backslash > slash)) {
      slash = backslash;
    }
    const std::size_t componentStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = FindLast(base.substr(componentStart), '.', encoding);
    if (dot != std::string_view::npos && dot > 0) split = componentStart + dot;
  }
  const std::string_view stem = base.substr(0, split);
  const std::string_view extension = base.substr(split);
  // At most size() + 1 candidates can be taken, so this loop ends.
  for (std::size_t n = 2;; ++n) {
    std::string candidate(stem);
    candidate.push_back('(');
    candidate.append(std::to_string(n));
    candidate.push_back(')');
    candidate += extension;
    if (!present.IsTaken(candidate)) return candidate;
  }
}

}  // namespace zelk::archivers

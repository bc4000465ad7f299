#include "common/name_variants.h"

#include "fileutil/path_names.h"
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

  const fileutil::NameBytes bytes =
      encoding == NameEncoding::kAnsi ? fileutil::NameBytes::kAnsi : fileutil::NameBytes::kUtf8;
  // At most size() + 1 candidates can be taken, so this loop ends.
  for (int n = 2;; ++n) {
    std::string candidate = fileutil::NumberedVariant(base, n, isFolder, bytes);
    if (!present.IsTaken(candidate)) return candidate;
  }
}

}  // namespace zelk::archivers

#include "targets/target_sort.h"

#include "text/mbcs.h"

namespace zelk::targets {
namespace {

// Code of the character at s[i]; advances i past it. A lead byte at the very
// end, with no trail byte, counts as that byte alone.
unsigned NextCharCode(std::string_view s, std::size_t& i) {
  std::size_t length = text::CharLength(s, i);
  unsigned code = static_cast<unsigned char>(s[i]);
  if (length == 2) code = code * 256 + static_cast<unsigned char>(s[i + 1]);
  i += length;
  return code;
}

}  // namespace

int CompareMbcs(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned ca = NextCharCode(a, i);
    unsigned cb = NextCharCode(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

int CompareTargetsForSort(const TargetEntry& a, const TargetEntry& b, int column, bool toggle) {
  switch (column) {
    case 0:
      if (!toggle && a.mark != b.mark) return a.mark > b.mark ? -1 : 1;
      return CompareMbcs(a.path, b.path);
    case 1:
      return toggle ? CompareMbcs(b.comment, a.comment) : CompareMbcs(a.comment, b.comment);
    default:
      return 0;
  }
}

}  // namespace zelk::targets

#include "text/mbcs.h"

#include <algorithm>
#include <cstring>

namespace zelk::text {

std::size_t FindFirstChar(std::string_view s, char ch, std::size_t from) {
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (i >= from && s[i] == ch) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, char ch) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == ch) found = i;
  }
  return found;
}

bool EndsWithChar(std::string_view s, char ch) {
  if (s.empty()) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) last = i;
  return last == s.size() - 1 && s[last] == ch;
}

std::string_view TruncateChars(std::string_view s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t next = i + CharLength(s, i);
    if (next > maxBytes) break;
    end = next;
    i = next;
  }
  return s.substr(0, end);
}

void CopyToBuffer(char* dest, std::size_t size, std::string_view s) {
  if (size == 0) return;
  std::string_view cut = TruncateChars(s, size - 1);
  std::memcpy(dest, cut.data(), cut.size());
  dest[cut.size()] = '\0';
}

}  // namespace zelk::text

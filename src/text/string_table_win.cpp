#include <windows.h>

#include <vector>

#include "text/string_table.h"

namespace zelk::text {

std::string LoadText(unsigned id) {
  std::vector<char> buffer(256);
  for (;;) {
    const int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) + 1 < buffer.size() || buffer.size() >= 65536) {
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    buffer.resize(buffer.size() * 4);
  }
}

std::string ToText(const Message& message) {
  return ToText(message, [](unsigned id) { return LoadText(id); });
}

}  // namespace zelk::text

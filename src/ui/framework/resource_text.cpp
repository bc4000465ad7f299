#include "ui/framework/resource_text.h"

#include <windows.h>

#include <vector>

namespace zelk::ui {

std::string LoadResourceString(unsigned id) {
  std::vector<char> buffer(256);
  for (;;) {
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) + 1 < buffer.size() || buffer.size() >= 65536) {
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace zelk::ui

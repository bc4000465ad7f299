#include "engine/exception_reason.h"

#include <windows.h>

#include <array>
#include <exception>
#include <new>

#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {

std::string CurrentExceptionReason() noexcept {
  unsigned reason = IDS_UNEXPECTED_ERROR;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    reason = IDS_OUT_OF_MEMORY;
  } catch (...) {
  }
  try {
    return text::LoadText(reason);
  } catch (...) {
    // Not even the short text could be allocated.
    return {};
  }
}

const char* OutOfMemoryText() noexcept {
  static const std::array<char, 128> text = [] {
    std::array<char, 128> loaded{};
    LoadStringA(GetModuleHandleA(nullptr), IDS_OUT_OF_MEMORY, loaded.data(), static_cast<int>(loaded.size()));
    return loaded;
  }();
  return text.data();
}

}  // namespace zelk::engine

#include "engine/exception_reason.h"

#include <exception>
#include <new>

namespace zelk::engine {

std::string CurrentExceptionReason() noexcept {
  const char* reason = kUnexpectedErrorReason;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    reason = kOutOfMemoryReason;
  } catch (...) {
  }
  try {
    return reason;
  } catch (...) {
    // Not even the short text could be allocated.
    return {};
  }
}

}  // namespace zelk::engine

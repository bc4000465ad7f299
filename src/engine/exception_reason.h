// The reason shown to the user when an operation ended in an exception
// instead of a result.
#pragma once

#include <string>

namespace zelk::engine {

inline constexpr const char* kOutOfMemoryReason = "メモリが不足しています";
inline constexpr const char* kUnexpectedErrorReason = "予期しないエラーが発生しました";

// Call only inside a catch block: the reason for the exception being handled
// (kOutOfMemoryReason for std::bad_alloc, kUnexpectedErrorReason for anything
// else). Never throws.
std::string CurrentExceptionReason() noexcept;

}  // namespace zelk::engine

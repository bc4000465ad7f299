// The caller's message buffer of the file utilities: 260 bytes, always
// terminated, filled with a short text on failure.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/mbcs.h"

namespace zelk::fileutil {

inline constexpr std::size_t kMessageBufferSize = 260;
using MessageBuffer = std::array<char, kMessageBufferSize>;

// Writes text into the buffer, cut at a character boundary so that it fits.
inline void SetMessage(MessageBuffer& buffer, std::string_view text) {
  text::CopyToBuffer(buffer.data(), buffer.size(), text);
}

inline std::string MessageText(const MessageBuffer& buffer) {
  std::size_t n = 0;
  while (n < buffer.size() && buffer[n] != '\0') ++n;
  return std::string(buffer.data(), n);
}

}  // namespace zelk::fileutil

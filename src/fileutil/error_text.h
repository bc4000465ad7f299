// Failure texts of the file utilities, sized for the caller's 260-byte
// message buffer.
#pragma once

#include <string>
#include <string_view>

namespace zelk::fileutil {

// path + what, followed by the system's text for code in full-width
// parentheses when code is not 0. A path too long to leave room for the rest
// is shortened at its start ("...\tail"), cut at a character boundary, so the
// text fits into maxBytes bytes.
std::string FailureText(std::string_view path, std::string_view what, unsigned long code,
                        std::size_t maxBytes = 259);

}  // namespace zelk::fileutil

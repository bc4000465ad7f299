// Byte scans of narrow strings in the ANSI code page (Shift-JIS on Japanese
// Windows). A trail byte of a double-byte character may equal '\\' (0x5C) or
// other ASCII bytes; these scans never take it for one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelk::text {

// True when c starts a double-byte character in the ANSI code page.
// Windows build: the system's code page; native build: code page 932.
bool IsLeadByte(unsigned char c);

// Number of bytes of the character starting at s[i] (1 or 2; 1 at the end).
inline std::size_t CharLength(std::string_view s, std::size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Position of the first / last single-byte character ch, or npos.
std::size_t FindFirstChar(std::string_view s, char ch, std::size_t from = 0);
std::size_t FindLastChar(std::string_view s, char ch);

// True when the last character of s is the single-byte ch.
bool EndsWithChar(std::string_view s, char ch);

// The longest prefix of s of at most maxBytes bytes that does not cut a
// double-byte character in two.
std::string_view TruncateChars(std::string_view s, std::size_t maxBytes);

// Copies s into dest[0..size) with a terminator, cut at a character boundary.
// Writes nothing when size is 0.
void CopyToBuffer(char* dest, std::size_t size, std::string_view s);

}  // namespace zelk::text

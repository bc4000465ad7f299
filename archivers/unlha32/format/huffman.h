// Length-limited Huffman code lengths and the canonical codes built from
// them (shorter codes first, equal lengths in symbol order).
#pragma once

#include <cstdint>

namespace zelk::lzh {

// Fills lengths[0..count) for the frequencies freq[0..count); unused symbols
// get 0. The code is complete (Kraft sum 1) when two or more symbols are
// used and no length exceeds maxLength. With fewer than two symbols every
// length is 0. Returns the number of used symbols. count <= 1024.
int BuildCodeLengths(const std::uint32_t* freq, int count, int maxLength, std::uint8_t* lengths);

// Canonical codes for lengths[0..count) (lengths at most 16).
void BuildCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes);

}  // namespace zelk::lzh

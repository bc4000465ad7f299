// An -lh5- decoder for checking the encoder: strict about every table
// (complete codes, lengths within 16, counts within range) and about the
// input (no bits past its end, no copy before the start of the output).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelk::lzh::testing {

struct DecodeResult {
  std::vector<std::uint8_t> data;
  std::string error;  // empty on success
  int blocks = 0;
};

DecodeResult DecodeLh5(const std::vector<std::uint8_t>& packed, std::size_t originalSize);

}  // namespace zelk::lzh::testing

// The decoder of -lh5- (and of -lh6- and -lh7-, the same coding over a
// dictionary of 32 and 64 KiB): strict about every table (complete codes,
// lengths within 16, counts within range) and about the input (no bits past
// its end, no copy before the start of the output or beyond the dictionary).
// It reads the packed bytes in bounded pieces and hands the output on in
// pieces of the dictionary's size, so an entry of any size decodes in
// constant memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "format/archive_reader.h"

namespace zelk::lzh {

// Takes the next piece of output; false stops the decoding.
using Lh5Output = std::function<bool(const std::uint8_t* data, std::size_t size)>;

struct Lh5Decoded {
  std::string error;  // empty when originalSize bytes came out of the packed bytes
  int blocks = 0;
};

// The dictionary of a method: 13, 15 or 16 bits; 0 for one this decoder
// does not know.
int DictionaryBits(std::string_view method);

struct LhEntryData {
  std::uint64_t offset = 0;  // of the packed bytes in the source
  std::uint64_t packedSize = 0;
  std::uint64_t originalSize = 0;
  int dictionaryBits = 13;
};

// Decodes an entry's packed bytes into its originalSize bytes.
Lh5Decoded DecodeLh(ByteSource& source, const LhEntryData& data, const Lh5Output& output);

struct DecodeResult {
  std::vector<std::uint8_t> data;
  std::string error;  // empty on success
  int blocks = 0;
};

// The whole output of -lh5- packed bytes in memory.
DecodeResult DecodeLh5(const std::vector<std::uint8_t>& packed, std::size_t originalSize);

}  // namespace zelk::lzh

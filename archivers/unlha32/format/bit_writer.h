// Bits packed most significant first into a byte vector that the owner
// drains after each block; the last partial byte stays in the writer.
#pragma once

#include <cstdint>
#include <vector>

namespace zelk::lzh {

class BitWriter {
 public:
  // Appends the low `count` bits of `value` (count <= 32). Whole 32-bit
  // words go to the bytes at once; Bytes() adds the whole bytes left.
  void Put(std::uint32_t value, int count) {
    acc_ = (acc_ << count) | (value & ((std::uint64_t{1} << count) - 1));
    pending_ += count;
    if (pending_ >= 32) {
      pending_ -= 32;
      const auto word = static_cast<std::uint32_t>(acc_ >> pending_);
      const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                                     static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
      bytes_.insert(bytes_.end(), bytes, bytes + 4);
    }
  }
  // Pads the partial byte with zero bits.
  void AlignToByte() {
    if (pending_ % 8 != 0) Put(0, 8 - pending_ % 8);
  }
  std::vector<std::uint8_t>& Bytes() {
    for (; pending_ >= 8; pending_ -= 8) bytes_.push_back(static_cast<std::uint8_t>(acc_ >> (pending_ - 8)));
    return bytes_;
  }
  // Bits put but not yet in a whole byte (0 to 7).
  int PendingBits() const { return pending_ % 8; }

 private:
  std::uint64_t acc_ = 0;
  int pending_ = 0;  // the low pending_ bits of acc_ are not in bytes_ yet (0 to 31)
  std::vector<std::uint8_t> bytes_;
};

}  // namespace zelk::lzh

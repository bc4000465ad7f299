// Bits packed most significant first into a byte vector that the owner
// drains after each block; the last partial byte stays in the writer.
#pragma once

#include <cstdint>
#include <vector>

namespace zelk::lzh {

class BitWriter {
 public:
  // Appends the low `count` bits of `value` (count <= 32).
  void Put(std::uint32_t value, int count) {
    if (count == 0) return;
    acc_ = (acc_ << count) | (value & ((std::uint64_t{1} << count) - 1));
    pending_ += count;
    while (pending_ >= 8) {
      pending_ -= 8;
      bytes_.push_back(static_cast<std::uint8_t>(acc_ >> pending_));
    }
  }
  // Pads the partial byte with zero bits.
  void AlignToByte() {
    if (pending_ > 0) Put(0, 8 - pending_);
  }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  // Bits put but not yet in Bytes() (0 to 7).
  int PendingBits() const { return pending_; }

 private:
  std::uint64_t acc_ = 0;
  int pending_ = 0;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace zelk::lzh

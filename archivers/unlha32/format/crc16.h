// CRC-16 of LZH archives: the reflected polynomial 0xA001 (x^16+x^15+x^2+1),
// initial value 0, no final inversion. Used for file data and for headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelk::lzh {

class Crc16 {
 public:
  void Update(const std::uint8_t* data, std::size_t size);
  std::uint16_t Value() const { return value_; }

 private:
  std::uint16_t value_ = 0;
};

std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t size);

}  // namespace zelk::lzh

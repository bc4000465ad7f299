#include "format/crc16.h"

#include <array>

namespace zelk::lzh {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i;
    for (int bit = 0; bit < 8; ++bit) r = (r & 1u) ? (r >> 1) ^ 0xA001u : r >> 1;
    table[i] = static_cast<std::uint16_t>(r);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

void Crc16::Update(const std::uint8_t* data, std::size_t size) {
  unsigned v = value_;
  for (std::size_t i = 0; i < size; ++i) v = kTable[(v ^ data[i]) & 0xFFu] ^ (v >> 8);
  value_ = static_cast<std::uint16_t>(v);
}

std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t size) {
  Crc16 crc;
  crc.Update(data, size);
  return crc.Value();
}

}  // namespace zelk::lzh

#include "format/crc16.h"

#include <array>

namespace zelk::lzh {
namespace {

using Table = std::array<std::uint16_t, 256>;

// tables[k][b]: the CRC of byte b followed by k zero bytes, so that eight
// bytes are taken in one step (slicing by eight).
constexpr std::array<Table, 8> MakeTables() {
  std::array<Table, 8> tables{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i;
    for (int bit = 0; bit < 8; ++bit) r = (r & 1u) ? (r >> 1) ^ 0xA001u : r >> 1;
    tables[0][i] = static_cast<std::uint16_t>(r);
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      const unsigned r = tables[k - 1][i];
      tables[k][i] = static_cast<std::uint16_t>((r >> 8) ^ tables[0][r & 0xFFu]);
    }
  }
  return tables;
}

constexpr std::array<Table, 8> kTables = MakeTables();

}  // namespace

void Crc16::Update(const std::uint8_t* data, std::size_t size) {
  const Table& t = kTables[0];
  unsigned v = value_;
  for (; size >= 8; data += 8, size -= 8) {
    v ^= data[0] | (unsigned{data[1]} << 8);
    v = kTables[7][v & 0xFFu] ^ kTables[6][v >> 8] ^ kTables[5][data[2]] ^ kTables[4][data[3]] ^
        kTables[3][data[4]] ^ kTables[2][data[5]] ^ kTables[1][data[6]] ^ t[data[7]];
  }
  for (std::size_t i = 0; i < size; ++i) v = t[(v ^ data[i]) & 0xFFu] ^ (v >> 8);
  value_ = static_cast<std::uint16_t>(v);
}

std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t size) {
  Crc16 crc;
  crc.Update(data, size);
  return crc.Value();
}

}  // namespace zelk::lzh

#include "checksum/sha256.h"

#include <algorithm>
#include <cstring>

#include "checksum/sha256_blocks.h"

namespace zelk::checksum {

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (buffered_ > 0) {
    const std::size_t take = std::min(size, buffer_.size() - buffered_);
    std::memcpy(buffer_.data() + buffered_, bytes, take);
    buffered_ += take;
    bytes += take;
    size -= take;
    if (buffered_ < buffer_.size()) return;
    Sha256Blocks(state_.data(), buffer_.data(), 1);
    buffered_ = 0;
  }
  const std::size_t blocks = size / 64;
  Sha256Blocks(state_.data(), bytes, blocks);
  bytes += blocks * 64;
  size -= blocks * 64;
  if (size > 0) std::memcpy(buffer_.data(), bytes, size);
  buffered_ = size;
}

Digest Sha256::Finish() {
  const std::uint64_t bits = length_ * 8;
  const std::uint8_t pad = 0x80;
  Update(&pad, 1);
  const std::uint8_t zero = 0;
  while (buffered_ != 56) Update(&zero, 1);
  std::uint8_t tail[8];
  for (int i = 0; i < 8; ++i) tail[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Update(tail, 8);
  Digest out{};
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j) out[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
  }
  return out;
}

std::string ToHex(const Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(64);
  for (std::uint8_t b : digest) {
    hex.push_back(kHex[b >> 4]);
    hex.push_back(kHex[b & 15]);
  }
  return hex;
}

}  // namespace zelk::checksum

// SHA-256 as FIPS 180-4 defines it, fed in pieces.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelk::checksum {

using Digest = std::array<std::uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything fed; the object is spent afterwards.
  Digest Finish();

 private:
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// The digest in lower-case hexadecimal (64 characters).
std::string ToHex(const Digest& digest);

}  // namespace zelk::checksum

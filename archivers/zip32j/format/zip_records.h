// Record signatures, field limits and little-endian helpers of the zip
// format (PKWARE APPNOTE 6.3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelk::zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndSize = 22;
inline constexpr std::size_t kZip64EndSize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;

inline constexpr std::uint16_t kExtraZip64 = 0x0001;
inline constexpr std::uint16_t kExtraTimestamp = 0x5455;
inline constexpr std::uint16_t kExtraUnicodePath = 0x7075;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;

inline constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kMax16 = 0xFFFF;

// Low byte of "version made by": the APPNOTE version the records follow.
inline constexpr std::uint16_t kVersionDefault = 20;
inline constexpr std::uint16_t kVersionStored = 10;
inline constexpr std::uint16_t kVersionZip64 = 45;
// High byte of "version made by": MS-DOS / FAT, so that the low byte of the
// external attributes holds the DOS attributes.
inline constexpr std::uint16_t kHostMsDos = 0;

inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Get64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

// Appends little-endian fields to a byte vector.
class RecordBuilder {
 public:
  explicit RecordBuilder(std::vector<std::uint8_t>& out) : out_(out) {}
  RecordBuilder& U8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  RecordBuilder& U16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  RecordBuilder& U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    return U16(static_cast<std::uint16_t>(v >> 16));
  }
  RecordBuilder& U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    return U32(static_cast<std::uint32_t>(v >> 32));
  }
  RecordBuilder& Bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + n);
    return *this;
  }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace zelk::zip

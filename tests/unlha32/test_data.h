// Generated inputs for the encoder tests and a sink that keeps bytes in memory.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "format/byte_sink.h"

namespace zelk::lzh::testing {

class VectorSink : public ByteSink {
 public:
  void Put(const std::uint8_t* data, std::size_t size) override { bytes.insert(bytes.end(), data, data + size); }
  std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(size);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// English-like text from a small vocabulary: many short and medium matches.
inline std::vector<std::uint8_t> TextBytes(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"the", "archive", "backup", "folder", "of", "and", "generation", "file",
                                       "time", "a", "to", "in", "is", "history", "target", "list", "window",
                                       "compress", "\r\n", "Zelk", "settings", "save", "interval", "tray"};
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v;
  v.reserve(size + 16);
  while (v.size() < size) {
    const std::string w = kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    v.insert(v.end(), w.begin(), w.end());
    v.push_back(rng() % 9 == 0 ? '.' : ' ');
  }
  v.resize(size);
  return v;
}

// Random symbols from a skewed alphabet with occasional long repeats.
inline std::vector<std::uint8_t> MixedBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v;
  v.reserve(size);
  while (v.size() < size) {
    const unsigned kind = rng() % 4;
    if (kind == 0 && v.size() > 300) {
      const std::size_t dist = 1 + rng() % std::min<std::size_t>(v.size(), 9000);
      const std::size_t len = 1 + rng() % 300;
      for (std::size_t i = 0; i < len && v.size() < size; ++i) v.push_back(v[v.size() - dist]);
    } else {
      v.push_back(static_cast<std::uint8_t>(rng() % (kind == 1 ? 256 : 12)));
    }
  }
  return v;
}

}  // namespace zelk::lzh::testing

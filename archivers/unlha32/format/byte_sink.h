// Where encoded bytes go. A sink that cannot store them remembers the
// failure itself; producers keep going and the owner checks afterwards.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelk::lzh {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Put(const std::uint8_t* data, std::size_t size) = 0;
};

}  // namespace zelk::lzh

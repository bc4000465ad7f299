// SHA-256's compression over whole 64-byte blocks: the portable form, and
// the processor's SHA instructions where it has them (x86-64 SHA-NI), which
// are many times faster and give the same state.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelk::checksum {

void Sha256BlocksPortable(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);

// False, and nothing done, where the processor has no SHA instructions.
bool Sha256BlocksHardware(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);

// The fastest of the two this processor runs.
void Sha256Blocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);

}  // namespace zelk::checksum

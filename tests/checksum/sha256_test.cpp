#include "checksum/sha256.h"

#include <random>

#include "checksum/sha256_blocks.h"

#include <gtest/gtest.h>

namespace zelk::checksum {
namespace {

std::string HexOf(std::string_view bytes, std::size_t piece) {
  Sha256 sha;
  for (std::size_t at = 0; at < bytes.size(); at += piece) sha.Update(bytes.substr(at, piece));
  return ToHex(sha.Finish());
}

TEST(Sha256, KnownDigestsWhateverThePieces) {
  struct Vector {
    std::string input;
    const char* digest;
  };
  const Vector vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{1000}}) {
      if (v.input.size() > 100000 && piece < 64) continue;
      EXPECT_EQ(HexOf(v.input, piece), v.digest) << v.input.size() << " bytes in pieces of " << piece;
    }
  }
}

TEST(Sha256, TheProcessorsInstructionsGiveThePortableState) {
  std::mt19937 rng(7);
  std::vector<std::uint8_t> data(64 * 1000);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  for (std::size_t blocks : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{1000}}) {
    std::uint32_t portable[8] = {1, 2, 3, 4, 5, 6, 7, 0xffffffffu};
    std::uint32_t hardware[8] = {1, 2, 3, 4, 5, 6, 7, 0xffffffffu};
    Sha256BlocksPortable(portable, data.data(), blocks);
    if (!Sha256BlocksHardware(hardware, data.data(), blocks)) GTEST_SKIP() << "no SHA instructions here";
    EXPECT_TRUE(std::equal(portable, portable + 8, hardware)) << blocks << " blocks";
  }
}

}  // namespace
}  // namespace zelk::checksum

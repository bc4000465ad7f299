#include "checksum/sha256.h"

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

}  // namespace
}  // namespace zelk::checksum

// The encoder's output decoded by the strict decoder gives back the
// input, for inputs that reach every path: empty and tiny inputs, runs,
// random and text data, buffer and block boundaries, distances at the
// dictionary's edge, odd write sizes and extreme tunings.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "format/bit_writer.h"
#include "format/crc16.h"
#include "format/huffman.h"
#include "format/lh5_decoder.h"
#include "format/lh5_encoder.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& input, const Lh5Tuning& tuning = {},
                                 std::size_t chunk = 100000) {
  VectorSink sink;
  Lh5Encoder encoder(sink, tuning);
  for (std::size_t i = 0; i < input.size(); i += chunk)
    encoder.Write(input.data() + i, std::min(chunk, input.size() - i));
  encoder.Finish();
  EXPECT_EQ(encoder.BytesIn(), input.size());
  EXPECT_EQ(encoder.BytesOut(), sink.bytes.size());
  return sink.bytes;
}

void ExpectRoundTrip(const std::vector<std::uint8_t>& input, const Lh5Tuning& tuning = {},
                     std::size_t chunk = 100000) {
  const auto packed = Encode(input, tuning, chunk);
  const DecodeResult out = DecodeLh5(packed, input.size());
  ASSERT_EQ(out.error, "") << "input size " << input.size();
  ASSERT_EQ(out.data.size(), input.size());
  EXPECT_TRUE(out.data == input) << "input size " << input.size();
}

TEST(Crc16, MatchesTheArcCheckValue) {
  const std::string s = "123456789";
  EXPECT_EQ(ComputeCrc16(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()), 0xBB3D);
  Crc16 parts;
  parts.Update(reinterpret_cast<const std::uint8_t*>(s.data()), 4);
  parts.Update(reinterpret_cast<const std::uint8_t*>(s.data()) + 4, 5);
  EXPECT_EQ(parts.Value(), 0xBB3D);
  EXPECT_EQ(ComputeCrc16(nullptr, 0), 0);
  std::string seven;
  for (int i = 0; i < 7; ++i) seven += s;
  EXPECT_EQ(ComputeCrc16(reinterpret_cast<const std::uint8_t*>(seven.data()), seven.size()), 0xFFEF);
}

// Widths across the 32-bit word the writer stores at once, 0 and 32 among
// them: the bytes and the pending bits are those of the bits read as text.
TEST(BitWriterTest, BytesAreTheBitsPutMostSignificantFirst) {
  const std::vector<std::pair<std::uint32_t, int>> puts = {
      {5, 3}, {0, 0}, {0xDEADBEEF, 32}, {1, 1}, {0x1234, 13}, {0xFFFFFFFF, 32}, {2, 2}, {0x3FFFF, 18}, {0, 5}};
  std::string bits;
  BitWriter writer;
  for (const auto& [value, count] : puts) {
    writer.Put(value | (count < 32 ? 0xF0000000u : 0u), count);  // bits above count are ignored
    for (int b = count - 1; b >= 0; --b) bits += ((value >> b) & 1u) ? '1' : '0';
    std::string expected;
    for (std::size_t i = 0; i + 8 <= bits.size(); i += 8)
      expected += static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2));
    const std::vector<std::uint8_t>& got = writer.Bytes();
    ASSERT_EQ(std::string(got.begin(), got.end()), expected) << "after " << count << " bits of " << value;
    ASSERT_EQ(writer.PendingBits(), static_cast<int>(bits.size() % 8));
  }
  writer.AlignToByte();
  EXPECT_EQ(writer.PendingBits(), 0);
  EXPECT_EQ(writer.Bytes().size(), (bits.size() + 7) / 8);
}

std::uint64_t KraftSum(const std::vector<std::uint8_t>& lengths, int maxLength) {
  std::uint64_t sum = 0;
  for (auto len : lengths)
    if (len) sum += std::uint64_t{1} << (maxLength - len);
  return sum;
}

TEST(Huffman, LengthsAreCompleteAndWithinTheLimit) {
  // Fibonacci frequencies make a Huffman tree as deep as the alphabet.
  std::vector<std::uint32_t> fib(40);
  fib[0] = fib[1] = 1;
  for (std::size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  std::vector<std::uint8_t> lengths(fib.size());
  EXPECT_EQ(BuildCodeLengths(fib.data(), static_cast<int>(fib.size()), 16, lengths.data()), 40);
  EXPECT_EQ(*std::max_element(lengths.begin(), lengths.end()), 16);
  EXPECT_EQ(KraftSum(lengths, 16), 1u << 16);
  // The most frequent symbol never gets a longer code than a rarer one.
  EXPECT_LE(lengths[39], lengths[0]);

  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    const int count = 2 + static_cast<int>(rng() % 509);
    std::vector<std::uint32_t> freq(static_cast<std::size_t>(count));
    for (auto& f : freq) f = rng() % 3 == 0 ? 0 : (rng() % 2 ? rng() % 5 : rng() % 100000);
    freq[0] = 1;
    freq[1] = 1;
    std::vector<std::uint8_t> len(static_cast<std::size_t>(count));
    const int used = BuildCodeLengths(freq.data(), count, 16, len.data());
    ASSERT_EQ(used, std::count_if(freq.begin(), freq.end(), [](auto f) { return f != 0; }));
    EXPECT_EQ(KraftSum(len, 16), 1u << 16);
    EXPECT_LE(*std::max_element(len.begin(), len.end()), 16);
  }
}

TEST(Huffman, CanonicalCodesArePrefixFreeAndOrdered) {
  const std::vector<std::uint8_t> lengths = {3, 3, 3, 3, 3, 2, 4, 4};
  std::vector<std::uint16_t> codes(lengths.size());
  BuildCanonicalCodes(lengths.data(), static_cast<int>(lengths.size()), codes.data());
  // Length 2 first (00), then the length-3 codes in symbol order, then 4.
  EXPECT_EQ(codes[5], 0b00);
  EXPECT_EQ(codes[0], 0b010);
  EXPECT_EQ(codes[4], 0b110);
  EXPECT_EQ(codes[6], 0b1110);
  EXPECT_EQ(codes[7], 0b1111);
}

TEST(Lh5RoundTrip, TinyAndDegenerateInputs) {
  ExpectRoundTrip({});
  ExpectRoundTrip({0x41});
  ExpectRoundTrip({0, 0});
  ExpectRoundTrip({1, 2, 3});
  ExpectRoundTrip({7, 7, 7, 7});
  // One byte value only: a block whose C table names a single symbol.
  ExpectRoundTrip(std::vector<std::uint8_t>(2, 0xFF));
  // Runs: one literal then maximal matches at distance 1.
  for (std::size_t n : {3u, 256u, 257u, 258u, 259u, 4096u, 100000u})
    ExpectRoundTrip(std::vector<std::uint8_t>(n, 'a'));
  // Two alternating bytes: a C table of two symbols, codes of length 1.
  std::vector<std::uint8_t> ab(5000);
  for (std::size_t i = 0; i < ab.size(); ++i) ab[i] = (i % 2) ? 'a' : 'b';
  ExpectRoundTrip(ab);
}

TEST(Lh5RoundTrip, EmptyInputGivesNoBytes) {
  EXPECT_TRUE(Encode({}).empty());
}

TEST(Lh5RoundTrip, RandomTextAndMixedInputs) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    const std::size_t size = 1 + (seed * 7919u) % 200000u;
    ExpectRoundTrip(RandomBytes(size, seed));
    ExpectRoundTrip(TextBytes(size, seed));
    ExpectRoundTrip(MixedBytes(size, seed));
  }
}

TEST(Lh5RoundTrip, TextCompressesAndRandomDataStaysNearItsSize) {
  const auto text = TextBytes(300000, 3);
  EXPECT_LT(Encode(text).size(), text.size() / 3);
  const auto random = RandomBytes(300000, 3);
  EXPECT_LT(Encode(random).size(), random.size() + random.size() / 100);
}

TEST(Lh5RoundTrip, BufferAndMebibyteBoundaries) {
  for (std::size_t size : {65535u, 65536u, 65537u, 65536u * 2 - 257, 65536u * 3 + 1, (1u << 20) - 1, 1u << 20,
                           (1u << 20) + 1}) {
    ExpectRoundTrip(MixedBytes(size, static_cast<std::uint32_t>(size)));
  }
}

TEST(Lh5RoundTrip, BlockBoundaries) {
  // Random bytes give one literal code per byte: block sizes are exact.
  Lh5Tuning tuning;
  tuning.blockCodes = 4096;
  for (std::size_t size : {4095u, 4096u, 4097u, 8192u, 8193u})
    ExpectRoundTrip(RandomBytes(size, 11), tuning);
  tuning.blockCodes = 1;
  ExpectRoundTrip(TextBytes(3000, 5), tuning);
  tuning.blockCodes = 65535;
  ExpectRoundTrip(RandomBytes(200000, 12), tuning);
  ExpectRoundTrip(TextBytes(400000, 12), tuning);
}

TEST(Lh5RoundTrip, DistancesAtTheDictionaryEdge) {
  for (std::size_t gap : {8189u, 8190u, 8191u, 8192u, 8193u}) {
    auto block = RandomBytes(300, static_cast<std::uint32_t>(gap));
    std::vector<std::uint8_t> input = block;
    const auto filler = RandomBytes(gap - block.size(), 99);
    input.insert(input.end(), filler.begin(), filler.end());
    input.insert(input.end(), block.begin(), block.end());
    ExpectRoundTrip(input);
  }
}

TEST(Lh5RoundTrip, WriteSizesDoNotChangeTheOutput) {
  const auto input = MixedBytes(150000, 21);
  const auto whole = Encode(input);
  EXPECT_EQ(Encode(input, {}, 1), whole);
  EXPECT_EQ(Encode(input, {}, 4093), whole);
  EXPECT_EQ(Encode(input, {}, 65536), whole);
}

TEST(Lh5RoundTrip, LentTablesGiveTheBytesOfFreshOnes) {
  // A pool thread lends one set of tables to every file it codes, clearing
  // only what the file before touched: files before of every length, one
  // with preset data. A chain left over from the last three bytes of
  // endsIn5C would point lateRun ahead of itself.
  Lh5Tables lent;
  const std::vector<std::uint8_t> preset = TextBytes(4000, 9);
  std::vector<std::uint8_t> endsIn5C(4997, 'x');
  endsIn5C.resize(5000, 0x5C);
  std::vector<std::uint8_t> lateRun(100, 'b');
  lateRun.resize(6100, 0x5C);
  for (const auto& before : {RandomBytes(70000, 3), TextBytes(3000, 5), endsIn5C,
                             MixedBytes(200, 7), std::vector<std::uint8_t>{}}) {
    VectorSink ignored;
    Lh5Encoder first(ignored, {}, &lent);
    if (before.size() == 200) first.Preset(preset.data(), preset.size());
    first.Write(before.data(), before.size());
    first.Finish();
    for (const auto& input : {TextBytes(3000, 5), MixedBytes(3000, 6), lateRun}) {
      VectorSink sink;
      Lh5Encoder encoder(sink, {}, &lent);
      encoder.Write(input.data(), input.size());
      encoder.Finish();
      EXPECT_EQ(sink.bytes, Encode(input)) << "after " << before.size() << " bytes";
    }
  }
}

TEST(Lh5RoundTrip, ExtremeTunings) {
  const auto input = MixedBytes(120000, 31);
  Lh5Tuning greedy;
  greedy.lazyLimit = 0;
  greedy.maxChain = 1;
  ExpectRoundTrip(input, greedy);
  Lh5Tuning thorough;
  thorough.maxChain = 4096;
  thorough.niceLength = 256;
  thorough.lazyLimit = 256;
  thorough.tooFarForThree = 1 << 20;
  ExpectRoundTrip(input, thorough);
  ExpectRoundTrip(TextBytes(120000, 31), thorough);
}

}  // namespace
}  // namespace zelk::lzh::testing

// Constants of the -lh5- method: LZSS over an 8 KiB dictionary, coded in
// blocks of static Huffman tables.
//
// Block layout (bits are packed most significant first):
//   16 bits  number of codes in the block
//   pretree  (NT symbols, count in TBIT bits) describing the C code lengths
//   C table  (NC symbols, count in CBIT bits), lengths coded with the pretree
//   P table  (NP symbols, count in PBIT bits)
//   codes    C symbol; for a match symbol also a P symbol and its extra bits
// C symbols 0..255 are literal bytes, 256..509 match lengths 3..256.
// P symbol p codes a distance d (1-based): p = bit length of d-1, followed by
// the p-1 low bits of d-1.
#pragma once

namespace zelk::lzh::lh5 {

constexpr int kDictionaryBits = 13;
constexpr int kDictionarySize = 1 << kDictionaryBits;  // 8192
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
// The encoder keeps distances one short of the dictionary size, so that a
// copy never starts at the byte a decoder's ring buffer is about to replace.
constexpr int kMaxDistance = kDictionarySize - 1;

constexpr int kNC = 256 + kMaxMatch - kMinMatch + 1;  // 510
constexpr int kCBit = 9;
constexpr int kNP = kDictionaryBits + 1;  // 14
constexpr int kPBit = 4;
constexpr int kNT = 16 + 3;  // 19: run codes 0..2, lengths 1..16 as 3..18
constexpr int kTBit = 5;
constexpr int kPretreeSpecialIndex = 3;  // 2-bit zero run after 3 lengths
constexpr int kMaxCodeLength = 16;
constexpr int kMaxBlockCodes = 0xFFFF;

}  // namespace zelk::lzh::lh5

#include "format/lh5_encoder.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#include "format/huffman.h"

namespace zelk::lzh {
namespace {

using namespace lh5;

constexpr int kBufferSize = 1 << 16;
constexpr int kReadSlack = 8;  // 4-byte loads may look past the buffered input
constexpr int kLookahead = kMaxMatch + 1;  // what a position needs beyond it
constexpr int kHashBits = 15;
constexpr int kWindowMask = kDictionarySize - 1;
constexpr std::int32_t kNone = -1;

inline std::uint32_t Hash3(const std::uint8_t* p) {
  const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  return (v * 2654435761u) >> (32 - kHashBits);
}

// Number of equal bytes at a and b, at most limit.
inline int MatchLength(const std::uint8_t* a, const std::uint8_t* b, int limit) {
  int len = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (len + 8 <= limit) {
      std::uint64_t x;
      std::uint64_t y;
      std::memcpy(&x, a + len, 8);
      std::memcpy(&y, b + len, 8);
      if (x != y) return len + std::countr_zero(x ^ y) / 8;
      len += 8;
    }
  }
  while (len < limit && a[len] == b[len]) ++len;
  return len;
}

// Four bytes, the first in the low bits.
inline std::uint32_t Load32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

inline int PositionSymbol(unsigned distanceMinusOne) {
  return static_cast<int>(std::bit_width(distanceMinusOne));
}

// Calls emit(symbol, extraValue, extraBits) for each pretree symbol that
// codes the C lengths lengths[0..count).
template <typename Emit>
void ForEachLengthCode(const std::uint8_t* lengths, int count, Emit emit) {
  int i = 0;
  while (i < count) {
    const int len = lengths[i++];
    if (len != 0) {
      emit(len + 2, 0u, 0);
      continue;
    }
    int zeros = 1;
    while (i < count && lengths[i] == 0) {
      ++i;
      ++zeros;
    }
    if (zeros <= 2) {
      for (int k = 0; k < zeros; ++k) emit(0, 0u, 0);
    } else if (zeros <= 18) {
      emit(1, static_cast<unsigned>(zeros - 3), 4);
    } else if (zeros == 19) {
      emit(0, 0u, 0);
      emit(1, 15u, 4);
    } else {
      emit(2, static_cast<unsigned>(zeros - 20), kCBit);
    }
  }
}

int UsedCount(const std::uint8_t* lengths, int count) {
  while (count > 0 && lengths[count - 1] == 0) --count;
  return count;
}

template <std::size_t N>
int OnlySymbol(const std::array<std::uint32_t, N>& freq) {
  for (std::size_t i = 0; i < N; ++i)
    if (freq[i] != 0) return static_cast<int>(i);
  return 0;
}

// Makes the tables what fresh ones would be: the buffer zero, no position
// in the chains.
void Clean(Lh5Tables& t) {
  const bool sized = t.buf.size() == kBufferSize + kReadSlack && t.head.size() == std::size_t{1} << kHashBits &&
                     t.prev.size() == kDictionarySize;
  if (!sized || t.used < 0) {
    // assign keeps a lent table's memory.
    t.buf.assign(kBufferSize + kReadSlack, 0);
    t.head.assign(std::size_t{1} << kHashBits, kNone);
    t.prev.assign(kDictionarySize, kNone);
  } else if (t.used > 0) {
    // The buffer still holds what was hashed: every chained position was
    // followed by two bytes below used.
    for (int p = 0; p + 2 < t.used; ++p) t.head[Hash3(t.buf.data() + p)] = kNone;
    std::fill_n(t.prev.begin(), std::min(t.used, kDictionarySize), kNone);
    std::fill_n(t.buf.begin(), t.used, std::uint8_t{0});
  }
  t.used = 0;
}

}  // namespace

Lh5Encoder::Lh5Encoder(ByteSink& sink, const Lh5Tuning& tuning, Lh5Tables* tables)
    : sink_(sink),
      tuning_(tuning),
      tables_(tables ? *tables : own_),
      buf_(tables_.buf),
      head_(tables_.head),
      prev_(tables_.prev),
      codes_(tables_.codes),
      distances_(tables_.distances) {
  tuning_.blockCodes = std::clamp(tuning_.blockCodes, 1, kMaxBlockCodes);
  tuning_.maxChain = std::max(tuning_.maxChain, 1);
  Clean(tables_);
  // A code is written before it is read, so the codes need no clearing.
  codes_.resize(static_cast<std::size_t>(tuning_.blockCodes));
  distances_.resize(static_cast<std::size_t>(tuning_.blockCodes));
}

void Lh5Encoder::Write(const std::uint8_t* data, std::size_t size) {
  bytesIn_ += size;
  while (size > 0) {
    if (end_ == kBufferSize) {
      Compress(false);
      Slide();
    }
    const std::size_t n = std::min(size, static_cast<std::size_t>(kBufferSize - end_));
    std::memcpy(buf_.data() + end_, data, n);
    end_ += static_cast<int>(n);
    NoteUsed();
    if (presetTail_ > 0) {
      for (int p = std::max(presetTail_ - 2, 0); p < presetTail_; ++p)
        if (p + 2 < end_) Insert(p);
      presetTail_ = 0;
    }
    data += n;
    size -= n;
  }
}

void Lh5Encoder::Preset(const std::uint8_t* data, std::size_t size) {
  assert(bytesIn_ == 0 && end_ == 0);
  const int n = static_cast<int>(std::min<std::size_t>(size, kDictionarySize));
  std::memcpy(buf_.data(), data + (size - static_cast<std::size_t>(n)), static_cast<std::size_t>(n));
  end_ = n;
  NoteUsed();
  // The last two positions get into the chains once the bytes after them come.
  for (int p = 0; p + 2 < n; ++p) Insert(p);
  presetTail_ = n;
  pos_ = n;
}

std::uint64_t Lh5Encoder::FinishSegment() {
  Compress(true);
  if (codeCount_ > 0) WriteBlock();
  const int pending = bits_.PendingBits();
  bits_.AlignToByte();
  Drain();
  return bytesOut_ * 8 - static_cast<std::uint64_t>(pending == 0 ? 0 : 8 - pending);
}

void Lh5Encoder::Finish() {
  Compress(true);
  if (codeCount_ > 0) WriteBlock();
  bits_.AlignToByte();
  Drain();
}

void Lh5Encoder::NoteUsed() {
  if (tables_.used >= 0) tables_.used = std::max(tables_.used, end_);
}

void Lh5Encoder::Insert(int pos) {
  const std::uint32_t h = Hash3(buf_.data() + pos);
  prev_[static_cast<std::size_t>(pos & kWindowMask)] = head_[h];
  head_[h] = pos;
}

Lh5Encoder::Match Lh5Encoder::FindMatch(int pos, int prevLength) const {
  Match best;
  const int maxLen = std::min(kMaxMatch, end_ - pos);
  int bestLen = std::max(prevLength, kMinMatch - 1);
  if (maxLen <= bestLen) return best;
  int chain = prevLength >= tuning_.goodLength ? std::max(tuning_.maxChain >> 2, 1) : tuning_.maxChain;
  const int limit = pos - kMaxDistance;
  const std::uint8_t* here = buf_.data() + pos;
  std::int32_t cand = head_[Hash3(here)];
  while (cand >= limit && cand >= 0 && chain-- > 0) {
    const std::uint8_t* there = buf_.data() + cand;
    // The four bytes ending where a longer match must still agree, then the
    // first three: most candidates fail the first test.
    if ((bestLen < kMinMatch || Load32(there + bestLen - 3) == Load32(here + bestLen - 3)) &&
        ((Load32(there) ^ Load32(here)) & 0xFFFFFFu) == 0) {
      const int len = MatchLength(there, here, maxLen);
      if (len > bestLen && (len > kMinMatch || pos - cand <= tuning_.tooFarForThree)) {
        bestLen = len;
        best = {len, pos - cand};
        if (len >= tuning_.niceLength || len == maxLen) break;
      }
    }
    cand = prev_[static_cast<std::size_t>(cand & kWindowMask)];
  }
  return best;
}

void Lh5Encoder::Compress(bool flush) {
  const int stop = flush ? end_ : end_ - kLookahead;
  while (pos_ < stop) {
    Match cur;
    const bool takePending = pending_ && pendingMatch_.length >= tuning_.lazyLimit;
    if (!takePending) cur = FindMatch(pos_, pending_ ? pendingMatch_.length : 0);
    if (pending_ && pendingMatch_.length >= kMinMatch && cur.length <= pendingMatch_.length) {
      AddMatch(pendingMatch_.length, pendingMatch_.distance);
      const int next = pos_ - 1 + pendingMatch_.length;
      for (int p = pos_; p < next; ++p)
        if (p + 2 < end_) Insert(p);
      pos_ = next;
      pending_ = false;
      continue;
    }
    if (pending_) AddLiteral(buf_[static_cast<std::size_t>(pos_ - 1)]);
    if (pos_ + 2 < end_) Insert(pos_);
    pendingMatch_ = cur;
    pending_ = true;
    ++pos_;
  }
  if (flush && pending_) {
    assert(pendingMatch_.length < kMinMatch);
    AddLiteral(buf_[static_cast<std::size_t>(pos_ - 1)]);
    pending_ = false;
  }
}

void Lh5Encoder::Slide() {
  if (pos_ < 2 * kDictionarySize) return;
  // A multiple of the dictionary size keeps prev_ indexed by position.
  const int delta = (pos_ - kDictionarySize) & ~kWindowMask;
  tables_.used = -1;  // the chains now hold what the buffer no longer does
  std::memmove(buf_.data(), buf_.data() + delta, static_cast<std::size_t>(end_ - delta));
  pos_ -= delta;
  end_ -= delta;
  auto rebase = [delta](std::int32_t& v) { v = v >= delta ? v - delta : kNone; };
  std::for_each(head_.begin(), head_.end(), rebase);
  std::for_each(prev_.begin(), prev_.end(), rebase);
}

void Lh5Encoder::AddLiteral(std::uint8_t byte) {
  codes_[static_cast<std::size_t>(codeCount_++)] = byte;
  ++cFreq_[byte];
  if (codeCount_ == tuning_.blockCodes) WriteBlock();
}

void Lh5Encoder::AddMatch(int length, int distance) {
  const auto code = static_cast<std::uint16_t>(256 + length - kMinMatch);
  const auto v = static_cast<unsigned>(distance - 1);
  codes_[static_cast<std::size_t>(codeCount_)] = code;
  distances_[static_cast<std::size_t>(codeCount_)] = static_cast<std::uint16_t>(v);
  ++codeCount_;
  ++cFreq_[code];
  ++pFreq_[static_cast<std::size_t>(PositionSymbol(v))];
  if (codeCount_ == tuning_.blockCodes) WriteBlock();
}

void Lh5Encoder::WriteTableLengths(const std::uint8_t* lengths, int count, int countBits, int special) {
  const int n = UsedCount(lengths, count);
  bits_.Put(static_cast<std::uint32_t>(n), countBits);
  int i = 0;
  while (i < n) {
    const int len = lengths[i++];
    if (len <= 6)
      bits_.Put(static_cast<std::uint32_t>(len), 3);
    else  // 111, then len-7 ones and a zero
      bits_.Put((1u << (len - 3)) - 2, len - 3);
    if (i == special) {
      int zeros = 0;
      while (zeros < 3 && i + zeros < n && lengths[i + zeros] == 0) ++zeros;
      bits_.Put(static_cast<std::uint32_t>(zeros), 2);
      i += zeros;
    }
  }
}

void Lh5Encoder::WriteBlock() {
  bits_.Put(static_cast<std::uint32_t>(codeCount_), 16);

  std::array<std::uint8_t, kNC> cLen{};
  std::array<std::uint16_t, kNC> cCode{};
  if (BuildCodeLengths(cFreq_.data(), kNC, kMaxCodeLength, cLen.data()) < 2) {
    // One symbol only: it takes no bits, the tables just name it.
    bits_.Put(0, kTBit);
    bits_.Put(0, kTBit);
    bits_.Put(0, kCBit);
    bits_.Put(static_cast<std::uint32_t>(OnlySymbol(cFreq_)), kCBit);
  } else {
    const int n = UsedCount(cLen.data(), kNC);
    std::array<std::uint32_t, kNT> tFreq{};
    ForEachLengthCode(cLen.data(), n, [&](int sym, unsigned, int) { ++tFreq[static_cast<std::size_t>(sym)]; });
    std::array<std::uint8_t, kNT> tLen{};
    std::array<std::uint16_t, kNT> tCode{};
    if (BuildCodeLengths(tFreq.data(), kNT, kMaxCodeLength, tLen.data()) < 2) {
      bits_.Put(0, kTBit);
      bits_.Put(static_cast<std::uint32_t>(OnlySymbol(tFreq)), kTBit);
    } else {
      WriteTableLengths(tLen.data(), kNT, kTBit, kPretreeSpecialIndex);
      BuildCanonicalCodes(tLen.data(), kNT, tCode.data());
    }
    bits_.Put(static_cast<std::uint32_t>(n), kCBit);
    ForEachLengthCode(cLen.data(), n, [&](int sym, unsigned extra, int extraBits) {
      bits_.Put(tCode[static_cast<std::size_t>(sym)], tLen[static_cast<std::size_t>(sym)]);
      bits_.Put(extra, extraBits);
    });
    BuildCanonicalCodes(cLen.data(), n, cCode.data());  // no code above n is used
  }

  std::array<std::uint8_t, kNP> pLen{};
  std::array<std::uint16_t, kNP> pCode{};
  if (BuildCodeLengths(pFreq_.data(), kNP, kMaxCodeLength, pLen.data()) < 2) {
    bits_.Put(0, kPBit);
    bits_.Put(static_cast<std::uint32_t>(OnlySymbol(pFreq_)), kPBit);
  } else {
    WriteTableLengths(pLen.data(), kNP, kPBit, -1);
    BuildCanonicalCodes(pLen.data(), kNP, pCode.data());
  }

  for (int i = 0; i < codeCount_; ++i) {
    const std::uint16_t c = codes_[static_cast<std::size_t>(i)];
    bits_.Put(cCode[c], cLen[c]);
    if (c >= 256) {
      const unsigned v = distances_[static_cast<std::size_t>(i)];
      const int p = PositionSymbol(v);
      bits_.Put(pCode[static_cast<std::size_t>(p)], pLen[static_cast<std::size_t>(p)]);
      if (p > 1) bits_.Put(v, p - 1);
    }
  }
  codeCount_ = 0;
  cFreq_.fill(0);
  pFreq_.fill(0);
  Drain();
}

void Lh5Encoder::Drain() {
  auto& bytes = bits_.Bytes();
  if (bytes.empty()) return;
  sink_.Put(bytes.data(), bytes.size());
  bytesOut_ += bytes.size();
  bytes.clear();
}

}  // namespace zelk::lzh

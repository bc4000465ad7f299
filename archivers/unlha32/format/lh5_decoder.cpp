#include "format/lh5_decoder.h"

#include <algorithm>
#include <array>

#include "format/lh5_format.h"

namespace zelk::lzh {
namespace {

using namespace lh5;

constexpr std::size_t kInputPiece = 1 << 16;

// Bits most significant first from a range of a byte source, read in pieces.
class BitReader {
 public:
  BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t size)
      : source_(source), pos_(offset), end_(offset + size) {}

  bool failed() const { return failed_; }

  // The next 16 bits without taking them; zeros past the end of the input.
  unsigned Peek16() {
    Fill();
    return static_cast<unsigned>(acc_ >> 48);
  }
  // Takes count bits (at most 16); false when the input has fewer.
  bool Skip(int count) {
    Fill();
    if (bits_ < count) return false;
    acc_ <<= count;
    bits_ -= count;
    return true;
  }
  bool Get(int count, unsigned& value) {
    value = count == 0 ? 0 : Peek16() >> (16 - count);
    return Skip(count);
  }

 private:
  void Fill() {
    while (bits_ <= 56) {
      if (at_ == buffer_.size() && !Refill()) return;
      acc_ |= std::uint64_t{buffer_[at_++]} << (56 - bits_);
      bits_ += 8;
    }
  }
  bool Refill() {
    if (pos_ >= end_ || failed_) return false;
    buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kInputPiece, end_ - pos_)));
    if (!source_.ReadAt(pos_, buffer_.data(), buffer_.size())) {
      failed_ = true;
      buffer_.clear();
      return false;
    }
    pos_ += buffer_.size();
    at_ = 0;
    return true;
  }

  ByteSource& source_;
  std::uint64_t pos_;
  std::uint64_t end_;
  std::vector<std::uint8_t> buffer_;
  std::size_t at_ = 0;
  std::uint64_t acc_ = 0;
  int bits_ = 0;
  bool failed_ = false;
};

// One canonical code, its lengths checked for a complete code; a table
// naming one symbol decodes it without reading bits.
class Table {
 public:
  void Reset(int symbols) {
    lengths_.assign(static_cast<std::size_t>(symbols), 0);
    only_ = -1;
  }
  void SetOnly(int symbol) { only_ = symbol; }
  void SetLength(std::size_t symbol, int length) { lengths_[symbol] = length; }
  std::size_t size() const { return lengths_.size(); }

  bool Build(std::string& error) {
    count_.fill(0);
    int used = 0;
    for (int len : lengths_) {
      if (len > kMaxCodeLength) return Fail(error, "code length above 16");
      if (len > 0) {
        ++count_[static_cast<std::size_t>(len)];
        ++used;
      }
    }
    std::uint32_t kraft = 0;
    for (int len = 1; len <= 16; ++len) kraft += count_[static_cast<std::size_t>(len)] << (16 - len);
    if (used > 0 && kraft != 65536) return Fail(error, "incomplete or oversubscribed code");
    if (used == 1) return Fail(error, "single symbol with a nonzero length");
    // Symbols by length, then by value: the order the codes are given in.
    sorted_.clear();
    for (int len = 1; len <= 16; ++len) {
      start_[static_cast<std::size_t>(len)] = static_cast<std::uint32_t>(sorted_.size());
      for (std::size_t s = 0; s < lengths_.size(); ++s)
        if (lengths_[s] == len) sorted_.push_back(static_cast<int>(s));
    }
    BuildFast();
    return true;
  }

  bool Decode(BitReader& in, int& symbol) const {
    if (only_ >= 0) {
      symbol = only_;
      return true;
    }
    const unsigned peek = in.Peek16();
    if (const unsigned fast = fast_[peek >> (16 - kFastBits)]; fast != 0) {
      symbol = static_cast<int>(fast >> 5);
      return in.Skip(static_cast<int>(fast & 31u));
    }
    unsigned first = 0;
    for (int len = 1; len <= 16; ++len) {
      const unsigned code = peek >> (16 - len);
      const unsigned count = count_[static_cast<std::size_t>(len)];
      if (code - first < count) {
        symbol = sorted_[start_[static_cast<std::size_t>(len)] + (code - first)];
        return in.Skip(len);
      }
      first = (first + count) << 1;
    }
    return false;
  }

 private:
  static bool Fail(std::string& error, const char* why) {
    error = why;
    return false;
  }

  // Codes of up to kFastBits bits looked up at once: symbol and length
  // (symbol << 5 | length) for every bit pattern they begin; 0 for longer ones.
  void BuildFast() {
    fast_.fill(0);
    unsigned first = 0;
    for (int len = 1; len <= kFastBits; ++len) {
      const std::uint32_t count = count_[static_cast<std::size_t>(len)];
      for (std::uint32_t k = 0; k < count; ++k) {
        const unsigned symbol = static_cast<unsigned>(sorted_[start_[static_cast<std::size_t>(len)] + k]);
        const unsigned from = (first + k) << (kFastBits - len);
        const unsigned to = (first + k + 1) << (kFastBits - len);
        for (unsigned at = from; at < to; ++at) fast_[at] = static_cast<std::uint16_t>(symbol << 5 | static_cast<unsigned>(len));
      }
      first = (first + count) << 1;
    }
  }

  static constexpr int kFastBits = 10;
  std::vector<int> lengths_;
  int only_ = -1;
  std::array<std::uint32_t, 17> count_{};
  std::array<std::uint32_t, 17> start_{};
  std::vector<int> sorted_;
  std::array<std::uint16_t, 1u << kFastBits> fast_{};
};

// The output through the dictionary's ring, handed on each time it fills.
class Window {
 public:
  Window(const Lh5Output& output, int dictionaryBits)
      : output_(output), ring_(std::size_t{1} << dictionaryBits), mask_(ring_.size() - 1) {}
  std::uint64_t total() const { return total_; }
  bool Put(std::uint8_t byte) {
    ring_[total_ & mask_] = byte;
    ++total_;
    return (total_ & mask_) != 0 || output_(ring_.data(), ring_.size());
  }
  // distance is checked by the caller: within the output and the dictionary.
  bool Copy(std::size_t distance, std::size_t length) {
    for (std::size_t j = 0; j < length; ++j) {
      if (!Put(ring_[(total_ - distance) & mask_])) return false;
    }
    return true;
  }
  bool Flush() {
    const std::size_t rest = static_cast<std::size_t>(total_ & mask_);
    return rest == 0 || output_(ring_.data(), rest);
  }

 private:
  const Lh5Output& output_;
  std::vector<std::uint8_t> ring_;
  std::uint64_t mask_;
  std::uint64_t total_ = 0;
};

class Decoder {
 public:
  Decoder(ByteSource& source, const LhEntryData& data, const Lh5Output& output)
      : in_(source, data.offset, data.packedSize),
        size_(data.originalSize),
        dictionary_(1u << data.dictionaryBits),
        np_(data.dictionaryBits + 1),
        pBit_(data.dictionaryBits > kDictionaryBits ? 5 : kPBit),
        out_(output, data.dictionaryBits) {}

  Lh5Decoded Run() {
    while (out_.total() < size_) {
      if (!Block()) {
        if (result_.error.empty()) result_.error = in_.failed() ? "read error" : "input ended early";
        return result_;
      }
      ++result_.blocks;
    }
    if (!out_.Flush()) result_.error = "output stopped";
    return result_;
  }

 private:
  bool Fail(const char* why) {
    result_.error = why;
    return false;
  }

  bool Bits(int count, unsigned& v) { return in_.Get(count, v); }

  // A single symbol in place of a table: its count is zero, then the symbol.
  bool ReadOnly(Table& t, int symbols, int countBits) {
    unsigned only = 0;
    if (!Bits(countBits, only)) return false;
    if (only >= static_cast<unsigned>(symbols)) return Fail("single symbol out of range");
    t.SetOnly(static_cast<int>(only));
    return true;
  }

  // Pretree or position table: count, then 3-bit lengths with a unary tail.
  bool ReadSmallTable(Table& t, int symbols, int countBits, int special) {
    unsigned n = 0;
    if (!Bits(countBits, n)) return false;
    t.Reset(symbols);
    if (n == 0) return ReadOnly(t, symbols, countBits);
    if (n > static_cast<unsigned>(symbols)) return Fail("table count out of range");
    unsigned i = 0;
    while (i < n) {
      unsigned len = 0;
      if (!Bits(3, len)) return false;
      if (len == 7) {
        unsigned bit = 1;
        while (true) {
          if (!Bits(1, bit)) return false;
          if (bit == 0) break;
          if (++len > 16) return Fail("length tail too long");
        }
      }
      t.SetLength(i++, static_cast<int>(len));
      if (static_cast<int>(i) == special) {
        unsigned zeros = 0;
        if (!Bits(2, zeros)) return false;
        if (i + zeros > n) return Fail("zero run past the table count");
        i += zeros;
      }
    }
    return t.Build(result_.error);
  }

  bool ReadCTable() {
    unsigned n = 0;
    if (!Bits(kCBit, n)) return false;
    c_.Reset(kNC);
    if (n == 0) return ReadOnly(c_, kNC, kCBit);
    if (n > static_cast<unsigned>(kNC)) return Fail("C count out of range");
    unsigned i = 0;
    while (i < n) {
      int sym = 0;
      if (!t_.Decode(in_, sym)) return false;
      if (sym >= 3) {
        c_.SetLength(i++, sym - 2);
        continue;
      }
      unsigned zeros = 1;
      if (sym == 1) {
        if (!Bits(4, zeros)) return false;
        zeros += 3;
      } else if (sym == 2) {
        if (!Bits(kCBit, zeros)) return false;
        zeros += 20;
      }
      if (i + zeros > n) return Fail("C zero run past the count");
      i += zeros;
    }
    return c_.Build(result_.error);
  }

  bool Match(int c) {
    const std::size_t length = static_cast<std::size_t>(c - 256 + kMinMatch);
    int p = 0;
    if (!p_.Decode(in_, p)) return false;
    unsigned distance = static_cast<unsigned>(p);
    if (p > 1) {
      unsigned extra = 0;
      if (!Bits(p - 1, extra)) return false;
      distance = (1u << (p - 1)) | extra;
    }
    distance += 1;
    if (distance > out_.total()) return Fail("copy before the start");
    if (distance > dictionary_) return Fail("copy beyond the dictionary");
    if (length > size_ - out_.total()) return Fail("copy beyond the original size");
    return out_.Copy(distance, length) || Fail("output stopped");
  }

  bool Block() {
    unsigned codes = 0;
    if (!Bits(16, codes)) return false;
    if (codes == 0) return Fail("empty block");
    // The pretree is read even when the C table names a single symbol.
    if (!ReadSmallTable(t_, kNT, kTBit, kPretreeSpecialIndex)) return false;
    if (!ReadCTable()) return false;
    if (!ReadSmallTable(p_, np_, pBit_, -1)) return false;
    for (unsigned k = 0; k < codes; ++k) {
      if (out_.total() >= size_) return Fail("codes beyond the original size");
      int c = 0;
      if (!c_.Decode(in_, c)) return false;
      if (c >= 256) {
        if (!Match(c)) return false;
      } else if (!out_.Put(static_cast<std::uint8_t>(c))) {
        return Fail("output stopped");
      }
    }
    return true;
  }

  BitReader in_;
  std::uint64_t size_;
  unsigned dictionary_;
  int np_;    // position symbols: one per distance bit length
  int pBit_;  // bits of their count
  Window out_;
  Table t_;
  Table c_;
  Table p_;
  Lh5Decoded result_;
};

}  // namespace

int DictionaryBits(std::string_view method) {
  if (method == "-lh5-") return 13;
  if (method == "-lh6-") return 15;
  if (method == "-lh7-") return 16;
  return 0;
}

Lh5Decoded DecodeLh(ByteSource& source, const LhEntryData& data, const Lh5Output& output) {
  if (data.dictionaryBits < kDictionaryBits || data.dictionaryBits > 16) return {"unsupported dictionary", 0};
  return Decoder(source, data, output).Run();
}

DecodeResult DecodeLh5(const std::vector<std::uint8_t>& packed, std::size_t originalSize) {
  MemorySource source(packed);
  DecodeResult result;
  const Lh5Decoded decoded =
      DecodeLh(source, {0, packed.size(), originalSize, kDictionaryBits}, [&](const std::uint8_t* data, std::size_t size) {
        result.data.insert(result.data.end(), data, data + size);
        return true;
      });
  result.error = decoded.error;
  result.blocks = decoded.blocks;
  return result;
}

}  // namespace zelk::lzh

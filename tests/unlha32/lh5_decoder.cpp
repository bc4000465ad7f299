#include "lh5_decoder.h"

#include <array>

#include "format/lh5_format.h"

namespace zelk::lzh::testing {
namespace {

using namespace lh5;

class BitReader {
 public:
  explicit BitReader(const std::vector<std::uint8_t>& data) : data_(data) {}
  bool Get(int count, unsigned& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      if (bit_ >= data_.size() * 8) return false;
      const unsigned b = (data_[bit_ / 8] >> (7 - bit_ % 8)) & 1u;
      value = (value << 1) | b;
      ++bit_;
    }
    return true;
  }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t bit_ = 0;
};

// Code lengths of one table, checked for a complete code.
struct Table {
  std::vector<int> lengths;
  int only = -1;

  bool Build(std::string& error) {
    std::array<std::uint32_t, 17> count{};
    int used = 0;
    for (int len : lengths) {
      if (len > kMaxCodeLength) return Fail(error, "code length above 16");
      if (len > 0) {
        ++count[static_cast<std::size_t>(len)];
        ++used;
      }
    }
    std::uint32_t kraft = 0;
    for (int len = 1; len <= 16; ++len) kraft += count[static_cast<std::size_t>(len)] << (16 - len);
    if (used > 0 && kraft != 65536) return Fail(error, "incomplete or oversubscribed code");
    if (used == 1) return Fail(error, "single symbol with a nonzero length");
    return true;
  }

  static bool Fail(std::string& error, const char* why) {
    error = why;
    return false;
  }
};

// Canonical decoding by length; a table naming one symbol decodes it
// without reading bits.
struct FastTable {
  Table table;
  std::array<std::vector<int>, 17> byLength;
  void Prepare() {
    for (auto& v : byLength) v.clear();
    for (std::size_t s = 0; s < table.lengths.size(); ++s)
      if (table.lengths[s] > 0) byLength[static_cast<std::size_t>(table.lengths[s])].push_back(static_cast<int>(s));
  }
  bool Decode(BitReader& in, int& symbol) const {
    if (table.only >= 0) {
      symbol = table.only;
      return true;
    }
    unsigned code = 0;
    unsigned first = 0;
    for (int len = 1; len <= 16; ++len) {
      unsigned bit = 0;
      if (!in.Get(1, bit)) return false;
      code = (code << 1) | bit;
      const auto& syms = byLength[static_cast<std::size_t>(len)];
      if (code - first < syms.size()) {
        symbol = syms[code - first];
        return true;
      }
      first = (first + static_cast<unsigned>(syms.size())) << 1;
    }
    return false;
  }
};

class Decoder {
 public:
  Decoder(const std::vector<std::uint8_t>& packed, std::size_t originalSize) : in_(packed), size_(originalSize) {}

  DecodeResult Run() {
    result_.data.reserve(size_);
    while (result_.data.size() < size_) {
      if (!Block()) {
        if (result_.error.empty()) result_.error = "input ended early";
        return result_;
      }
      ++result_.blocks;
    }
    return result_;
  }

 private:
  bool Fail(const char* why) {
    result_.error = why;
    return false;
  }

  bool Bits(int count, unsigned& v) { return in_.Get(count, v); }

  // Pretree or position table: count, then 3-bit lengths with a unary tail.
  bool ReadSmallTable(FastTable& t, int symbols, int countBits, int special) {
    unsigned n = 0;
    if (!Bits(countBits, n)) return false;
    t.table.lengths.assign(static_cast<std::size_t>(symbols), 0);
    t.table.only = -1;
    if (n == 0) {
      unsigned only = 0;
      if (!Bits(countBits, only)) return false;
      if (only >= static_cast<unsigned>(symbols)) return Fail("single symbol out of range");
      t.table.only = static_cast<int>(only);
      t.Prepare();
      return true;
    }
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
      t.table.lengths[i++] = static_cast<int>(len);
      if (static_cast<int>(i) == special) {
        unsigned zeros = 0;
        if (!Bits(2, zeros)) return false;
        if (i + zeros > n) return Fail("zero run past the table count");
        i += zeros;
      }
    }
    if (!t.table.Build(result_.error)) return false;
    t.Prepare();
    return true;
  }

  bool ReadCTable() {
    unsigned n = 0;
    if (!Bits(kCBit, n)) return false;
    c_.table.lengths.assign(kNC, 0);
    c_.table.only = -1;
    if (n == 0) {
      unsigned only = 0;
      if (!Bits(kCBit, only)) return false;
      if (only >= static_cast<unsigned>(kNC)) return Fail("single C symbol out of range");
      c_.table.only = static_cast<int>(only);
      c_.Prepare();
      return true;
    }
    if (n > static_cast<unsigned>(kNC)) return Fail("C count out of range");
    unsigned i = 0;
    while (i < n) {
      int sym = 0;
      if (!t_.Decode(in_, sym)) return false;
      if (sym >= 3) {
        c_.table.lengths[i++] = sym - 2;
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
    if (!c_.table.Build(result_.error)) return false;
    c_.Prepare();
    return true;
  }

  bool Block() {
    unsigned codes = 0;
    if (!Bits(16, codes)) return false;
    if (codes == 0) return Fail("empty block");
    // The pretree is read even when the C table names a single symbol.
    if (!ReadSmallTable(t_, kNT, kTBit, kPretreeSpecialIndex)) return false;
    if (!ReadCTable()) return false;
    if (!ReadSmallTable(p_, kNP, kPBit, -1)) return false;
    auto& out = result_.data;
    for (unsigned k = 0; k < codes; ++k) {
      if (out.size() >= size_) return Fail("codes beyond the original size");
      int c = 0;
      if (!c_.Decode(in_, c)) return false;
      if (c < 256) {
        out.push_back(static_cast<std::uint8_t>(c));
        continue;
      }
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
      if (distance > out.size()) return Fail("copy before the start");
      if (distance > static_cast<unsigned>(kDictionarySize)) return Fail("copy beyond the dictionary");
      if (out.size() + length > size_) return Fail("copy beyond the original size");
      const std::size_t from = out.size() - distance;
      for (std::size_t j = 0; j < length; ++j) out.push_back(out[from + j]);
    }
    return true;
  }

  BitReader in_;
  std::size_t size_;
  FastTable t_;
  FastTable c_;
  FastTable p_;
  DecodeResult result_;
};

}  // namespace

DecodeResult DecodeLh5(const std::vector<std::uint8_t>& packed, std::size_t originalSize) {
  return Decoder(packed, originalSize).Run();
}

}  // namespace zelk::lzh::testing

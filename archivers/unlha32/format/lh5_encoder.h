// Streaming -lh5- encoder: bytes in through Write, coded blocks out to a
// sink. Memory is fixed (a 64 KiB sliding buffer, the hash chains and one
// block of codes) whatever the input size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/bit_writer.h"
#include "format/byte_sink.h"
#include "format/lh5_format.h"

namespace zelk::lzh {

struct Lh5Tuning {
  int maxChain = 512;      // candidates looked at per position
  int goodLength = 32;     // a match this long quarters the next search
  int niceLength = 256;    // a match this long ends the search
  int lazyLimit = 256;     // a match this long is taken without lookahead
  int tooFarForThree = 2048;  // length-3 matches farther than this are not worth it
  int blockCodes = 32768;  // codes per block (at most 65535)
};

// The encoder's large tables (about 350 KiB). A thread that codes many
// small files keeps one and lends it to each encoder in turn; every encoder
// gets them as fresh ones, so its output does not depend on the lender.
// Only what the encoder before touched is cleared: for a file of a few
// hundred bytes that is a few kilobytes, not the whole tables.
struct Lh5Tables {
  std::vector<std::uint8_t> buf;
  std::vector<std::int32_t> head;
  std::vector<std::int32_t> prev;
  std::vector<std::uint16_t> codes;
  std::vector<std::uint16_t> distances;  // distance-1 of each match code
  // buf[0..used) is all that was written since the tables were clean, and
  // head and prev hold only positions below it; -1: unknown, clear it all.
  int used = -1;
};

class Lh5Encoder {
 public:
  // Without tables, the encoder has its own.
  explicit Lh5Encoder(ByteSink& sink, const Lh5Tuning& tuning = {}, Lh5Tables* tables = nullptr);
  Lh5Encoder(const Lh5Encoder&) = delete;
  Lh5Encoder& operator=(const Lh5Encoder&) = delete;

  // Data that comes before what is written next, for matches to reach
  // back into; it is not coded. At most the dictionary size, before any Write.
  void Preset(const std::uint8_t* data, std::size_t size);
  void Write(const std::uint8_t* data, std::size_t size);
  // Codes what is left and pads the last byte. Call once, after the last Write.
  void Finish();
  // Codes what is left, for another segment's codes to follow bit by bit:
  // returns the number of bits of the output (BytesOut() bytes, the last
  // one padded with zero bits). Instead of Finish.
  std::uint64_t FinishSegment();

  std::uint64_t BytesIn() const { return bytesIn_; }
  std::uint64_t BytesOut() const { return bytesOut_; }

 private:
  struct Match {
    int length = 0;
    int distance = 0;
  };

  void Compress(bool flush);
  Match FindMatch(int pos, int prevLength) const;
  void Insert(int pos);
  void Slide();
  void AddLiteral(std::uint8_t byte);
  void AddMatch(int length, int distance);
  void WriteBlock();
  void WriteTableLengths(const std::uint8_t* lengths, int count, int countBits, int special);
  void Drain();
  void NoteUsed();

  ByteSink& sink_;
  Lh5Tuning tuning_;
  Lh5Tables own_;
  Lh5Tables& tables_;
  std::vector<std::uint8_t>& buf_;
  int pos_ = 0;   // next position to code
  int end_ = 0;   // end of the buffered input
  std::vector<std::int32_t>& head_;
  std::vector<std::int32_t>& prev_;
  bool pending_ = false;  // position pos_-1 searched, not yet coded
  int presetTail_ = 0;    // end of the preset data whose last positions are not in the chains yet
  Match pendingMatch_;

  std::vector<std::uint16_t>& codes_;
  std::vector<std::uint16_t>& distances_;
  int codeCount_ = 0;
  std::array<std::uint32_t, lh5::kNC> cFreq_{};
  std::array<std::uint32_t, lh5::kNP> pFreq_{};
  BitWriter bits_;
  std::uint64_t bytesIn_ = 0;
  std::uint64_t bytesOut_ = 0;
};

}  // namespace zelk::lzh

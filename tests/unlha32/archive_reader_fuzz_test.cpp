// Seeded mutation run over the archive reader for a bounded time (default
// 10 s, ZELK_FUZZ_SECONDS to change): mutated archives of every header
// level must never read out of bounds (ASan/UBSan watch), and whatever the
// reader accepts must lie inside the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>

#include "format/archive_reader.h"
#include "format/archive_writer.h"
#include "memory_files.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

std::vector<std::uint8_t> SeedArchive(std::uint32_t seed) {
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  EntryHeader dir;
  dir.path = "\x95\x5C\x8E\xA6\\sub";
  writer.AddDirectory(dir, error);
  for (int i = 0; i < 3; ++i) {
    const auto data = i == 1 ? RandomBytes(300, seed + 1) : TextBytes(500 + 100 * i, seed + static_cast<std::uint32_t>(i));
    EntryHeader h;
    h.path = "\x95\x5C\x8E\xA6\\sub\\f" + std::to_string(i) + ".txt";
    h.originalSize = data.size();
    h.hasWindowsTimes = i == 2;
    MemoryInput in(data);
    writer.AddFile(in, h, error);
  }
  writer.Close(error);
  return out.bytes;
}

// Hand-made level-0 and level-1 entries with an extended directory header.
std::vector<std::uint8_t> SeedOldLevels() {
  std::vector<std::uint8_t> v;
  for (int level = 0; level <= 1; ++level) {
    std::vector<std::uint8_t> h = {0, 0, '-', 'l', 'h', '0', '-', 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0x20,
                                   static_cast<std::uint8_t>(level), 3, 'a', '\\', 'b', 0, 0};
    if (level == 1) {
      h.insert(h.end(), {'M', 7, 0});
      h[7] = 4 + 7;
    }
    h[0] = static_cast<std::uint8_t>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i) sum += h[i];
    h[1] = static_cast<std::uint8_t>(sum);
    if (level == 1) h.insert(h.end(), {0x02, 'd', 0xFF, 'e', 0xFF, 0, 0});
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    v.insert(v.end(), h.begin(), h.end());
  }
  v.push_back(0);
  return v;
}

void Mutate(std::vector<std::uint8_t>& v, std::mt19937& rng) {
  const int edits = 1 + static_cast<int>(rng() % 6);
  for (int e = 0; e < edits; ++e) {
    if (v.empty()) v.push_back(static_cast<std::uint8_t>(rng()));
    const std::size_t at = rng() % v.size();
    switch (rng() % 7) {
      case 0: v[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8)); break;
      case 1: v[at] = static_cast<std::uint8_t>(rng()); break;
      case 2: v[at] = (rng() % 2) ? 0x00 : 0xFF; break;
      case 3: v.resize(at); break;
      case 4: v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(rng())); break;
      case 5: {  // a 16- or 32-bit field set to an extreme
        const std::uint32_t values[] = {0, 1, 2, 3, 0xFF, 0x100, 0xFFFF, 0x10000, 0xFFFFFFFF, 0x7FFFFFFF};
        const std::uint32_t x = values[rng() % 10];
        for (std::size_t k = 0; k < 4 && at + k < v.size(); ++k) v[at + k] = static_cast<std::uint8_t>(x >> (8 * k));
        break;
      }
      default: {  // a slice repeated
        const std::size_t len = std::min<std::size_t>(v.size() - at, 1 + rng() % 64);
        std::vector<std::uint8_t> slice(v.begin() + static_cast<std::ptrdiff_t>(at),
                                        v.begin() + static_cast<std::ptrdiff_t>(at + len));
        v.insert(v.begin() + static_cast<std::ptrdiff_t>(rng() % (v.size() + 1)), slice.begin(), slice.end());
      }
    }
  }
}

TEST(ArchiveReaderFuzz, MutatedArchivesStayInBounds) {
  const char* env = std::getenv("ZELK_FUZZ_SECONDS");
  const double seconds = env ? std::atof(env) : 10.0;
  const std::vector<std::vector<std::uint8_t>> seeds = {SeedArchive(1), SeedArchive(2), SeedOldLevels(),
                                                        {0}, {}};
  std::mt19937 rng(20030715);
  // Processor time: <chrono> does not build with the Shift-JIS literal charset.
  const std::clock_t deadline = std::clock() + static_cast<std::clock_t>(seconds * CLOCKS_PER_SEC);
  long runs = 0;
  long accepted = 0;
  while (std::clock() < deadline) {
    for (int batch = 0; batch < 200; ++batch, ++runs) {
      std::vector<std::uint8_t> v = seeds[rng() % seeds.size()];
      if (rng() % 50 == 0)
        v = RandomBytes(rng() % 512, static_cast<std::uint32_t>(rng()));
      else
        Mutate(v, rng);
      MemorySource source(v);
      const ArchiveScan scan = ScanArchive(source);
      if (!scan.valid) {
        ASSERT_FALSE(scan.error.empty());
        ASSERT_TRUE(scan.entries.empty());
        continue;
      }
      ++accepted;
      ASSERT_LE(scan.appendOffset, v.size());
      std::uint64_t previousEnd = 0;
      for (const auto& e : scan.entries) {
        ASSERT_GE(e.headerOffset, previousEnd);
        ASSERT_GT(e.dataOffset, e.headerOffset);
        ASSERT_LE(e.dataOffset + e.packedSize, v.size());
        previousEnd = e.dataOffset + e.packedSize;
      }
      ASSERT_LE(previousEnd, scan.appendOffset);
    }
  }
  std::printf("%ld mutated archives read, %ld accepted\n", runs, accepted);
  EXPECT_GT(runs, 1000);
}

}  // namespace
}  // namespace zelk::lzh::testing

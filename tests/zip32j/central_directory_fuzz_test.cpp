// Seeded mutations of valid archives fed to the central-directory reader
// for a bounded time (ZELK_FUZZ_SECONDS, default 15; ZELK_FUZZ_SEED picks
// the seed). Whatever the reader accepts must be appendable: the writer adds
// an entry after it and the result reads back with one entry more.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

#include "common/memory_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_records.h"
#include "zip32j/format/zip_writer.h"
#include "zip_test_util.h"

namespace zelk::zip {
namespace {

using archivers::MemoryFile;

std::vector<std::vector<std::uint8_t>> Seeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  seeds.push_back(testing::MakeArchive({}));
  seeds.push_back(testing::MakeArchive({{"a.txt", "hello hello hello hello"}}));
  seeds.push_back(testing::MakeArchive({{"D/", ""}, {"D/x", std::string(3000, 'q')}, {"D/e", ""}, {"z", "\x01\x02"}}));
  // An entry with zip64 sizes in its local header and a Unicode path field.
  MemoryFile out;
  ZipWriter writer(out, {});
  EntryInfo info = testing::Info("\x95\x5c.txt", std::uint64_t{5} << 30);
  info.utf8Name = "\xe8\xa1\xa8.txt";
  MemoryFile source(testing::Bytes("zip64 sized"));
  writer.AddFile(info, source);
  writer.Finish();
  seeds.push_back(out.bytes());
  // A hand-made zip64 end record in front of a classic one.
  std::vector<std::uint8_t> z64 = testing::MakeArchive({{"b", "bbbb"}});
  const std::size_t endPos = z64.size() - kEndSize;
  const std::uint32_t cdSize = Get32(&z64[endPos + 12]);
  const std::uint32_t cdOffset = Get32(&z64[endPos + 16]);
  std::vector<std::uint8_t> tail;
  RecordBuilder b(tail);
  b.U32(kZip64EndSignature).U64(44).U16(45).U16(45).U32(0).U32(0).U64(1).U64(1).U64(cdSize).U64(cdOffset);
  b.U32(kZip64LocatorSignature).U32(0).U64(endPos).U32(1);
  z64.insert(z64.begin() + static_cast<std::ptrdiff_t>(endPos), tail.begin(), tail.end());
  seeds.push_back(z64);
  return seeds;
}

void Mutate(std::vector<std::uint8_t>& b, std::mt19937_64& rng) {
  const int steps = 1 + static_cast<int>(rng() % 4);
  for (int s = 0; s < steps; ++s) {
    const std::size_t pos = b.empty() ? 0 : rng() % b.size();
    switch (rng() % 7) {
      case 0:  // flip a bit
        if (!b.empty()) b[pos] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        break;
      case 1: {  // an interesting 16- or 32-bit value
        static const std::uint32_t values[] = {0, 1, 0xFFFF, 0xFFFFFFFF, 0x7FFFFFFF, 46, 22, 0x80000000};
        const std::uint32_t v = values[rng() % 8];
        const std::size_t width = rng() % 2 ? 2 : 4;
        for (std::size_t i = 0; i < width && pos + i < b.size(); ++i) b[pos + i] = static_cast<std::uint8_t>(v >> (8 * i));
        break;
      }
      case 2:  // cut the end
        b.resize(pos);
        break;
      case 3:  // cut the start
        b.erase(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(pos));
        break;
      case 4:  // insert random bytes
        for (int i = static_cast<int>(rng() % 32); i > 0; --i) {
          b.insert(b.begin() + static_cast<std::ptrdiff_t>(std::min(pos, b.size())), static_cast<std::uint8_t>(rng()));
        }
        break;
      case 5:  // duplicate a slice
        if (!b.empty()) {
          const std::size_t len = std::min<std::size_t>(rng() % 128, b.size() - pos);
          std::vector<std::uint8_t> slice(b.begin() + static_cast<std::ptrdiff_t>(pos),
                                          b.begin() + static_cast<std::ptrdiff_t>(pos + len));
          b.insert(b.begin() + static_cast<std::ptrdiff_t>(rng() % (b.size() + 1)), slice.begin(), slice.end());
        }
        break;
      default:  // random byte
        if (!b.empty()) b[pos] = static_cast<std::uint8_t>(rng());
        break;
    }
  }
}

TEST(CentralDirectoryFuzz, MutatedArchivesAreRefusedOrAppendable) {
  const char* secondsText = std::getenv("ZELK_FUZZ_SECONDS");
  const char* seedText = std::getenv("ZELK_FUZZ_SEED");
  const double seconds = secondsText ? std::atof(secondsText) : 15.0;
  const std::uint64_t seed = seedText ? std::strtoull(seedText, nullptr, 10) : 20030715;
  std::mt19937_64 rng(seed);
  const auto seeds = Seeds();
  // <chrono> does not build with the Shift-JIS execution character set.
  const std::time_t deadline = std::time(nullptr) + static_cast<std::time_t>(seconds + 0.5);
  std::uint64_t runs = 0;
  std::uint64_t accepted = 0;
  std::vector<std::vector<std::uint8_t>> corpus = seeds;
  while (std::time(nullptr) < deadline) {
    std::vector<std::uint8_t> input = corpus[rng() % corpus.size()];
    Mutate(input, rng);
    ++runs;
    MemoryFile file(input);
    CentralDirectory dir;
    std::string error;
    if (!ReadCentralDirectory(file, &dir, &error)) {
      ASSERT_FALSE(error.empty());
      continue;
    }
    ++accepted;
    if (corpus.size() < 200) corpus.push_back(input);  // keep inputs that still parse
    ASSERT_LE(dir.startOffset, input.size());
    const std::size_t count = dir.entries.size();
    for (const CentralEntry& e : dir.entries) ASSERT_LT(e.localHeaderOffset, dir.startOffset);
    ZipWriter writer(file, std::move(dir));
    ASSERT_TRUE(writer.AddFolder(testing::Info("appended/"))) << writer.error();
    ASSERT_TRUE(writer.Finish()) << writer.error();
    CentralDirectory after;
    ASSERT_TRUE(ReadCentralDirectory(file, &after, &error)) << "seed " << seed << " run " << runs << ": " << error;
    ASSERT_EQ(after.entries.size(), count + 1);
    ASSERT_EQ(after.entries.back().name, "appended/");
    // The bytes before the old central directory are untouched.
    ASSERT_TRUE(std::equal(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(after.entries.back().localHeaderOffset),
                           file.bytes().begin()));
  }
  std::printf("seed %llu: %llu inputs, %llu accepted\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(runs), static_cast<unsigned long long>(accepted));
  EXPECT_GT(runs, 1000u);
}

}  // namespace
}  // namespace zelk::zip

// The zip writer on a pool of threads: the archive does not depend on the
// number of threads, deflate chunks join into one stream with matches
// across their boundaries, and a failing worker leaves the entries before.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../support/parallel_runs.h"
#include "common/memory_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_records.h"
#include "zip32j/format/zip_writer.h"
#include "zip_test_util.h"

namespace zelk::zip {
namespace {

using archivers::MemoryFile;
using testing::Bytes;
using testing::Crc;
using testing::Info;
using testing::ReadLocal;

using Files = std::vector<std::pair<std::string, std::string>>;

std::string Text(std::size_t size, unsigned seed) {
  static const char* const kWords[] = {"backup ", "generation ", "of ", "the ", "folder\r\n", "archive ", "42 "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) s += kWords[rng() % 7];
  s.resize(size);
  return s;
}

// Small and large, compressible and not, around the chunk size; folders.
Files Mixed() {
  Files f;
  f.push_back({"docs/", ""});
  for (int i = 0; i < 12; ++i) f.push_back({"docs/n" + std::to_string(i) + ".txt", Text(1000 + 7919 * i, i)});
  f.push_back({"big.txt", Text(3 * kChunkSize + 12345, 99)});
  f.push_back({"exact.txt", Text(2 * kChunkSize, 98)});
  f.push_back({"noise.bin", zelk::testing::RepeatedRandomBlock(5 << 20, 5 << 20, 3)});  // stored after 2 MiB
  f.push_back({"empty", ""});
  f.push_back({"late.txt", Text(300, 5)});
  return f;
}

// Writes files with the given options; Finish is always called.
std::vector<std::uint8_t> Write(const Files& files, const archivers::ParallelOptions& parallel, bool* allAdded) {
  MemoryFile out;
  ZipWriter writer(out, {}, parallel);
  *allAdded = true;
  for (const auto& [name, contents] : files) {
    bool ok = true;
    if (name.back() == '/') {
      ok = writer.AddFolder(Info(name));
    } else {
      ok = writer.AddFile(Info(name, contents.size()), std::make_shared<MemoryFile>(Bytes(contents)));
    }
    if (!ok) {
      *allAdded = false;
      break;
    }
  }
  if (*allAdded) *allAdded = writer.Flush();
  EXPECT_TRUE(writer.Finish()) << writer.error();
  return out.bytes();
}

// Every entry read back through zlib, in archive order.
Files ReadBack(const std::vector<std::uint8_t>& bytes) {
  MemoryFile file(bytes);
  CentralDirectory dir;
  std::string error;
  EXPECT_TRUE(ReadCentralDirectory(file, &dir, &error)) << error;
  Files files;
  for (const CentralEntry& e : dir.entries) {
    const testing::LocalEntry local = ReadLocal(bytes, e);
    EXPECT_EQ(local.crc, Crc(local.contents)) << e.name;
    files.push_back({e.name, local.contents});
  }
  return files;
}

TEST(ZipParallel, ArchivesAreTheSameForOneTwoAndEightThreads) {
  const Files files = Mixed();
  std::vector<std::uint8_t> first;
  for (int threads : zelk::testing::kThreadCounts) {
    bool added = false;
    const std::vector<std::uint8_t> bytes = Write(files, zelk::testing::Threads(threads), &added);
    ASSERT_TRUE(added) << threads;
    if (first.empty()) {
      first = bytes;
      EXPECT_EQ(ReadBack(bytes), files);
    } else {
      EXPECT_EQ(bytes, first) << threads << " threads";
    }
  }
  MemoryFile file(first);
  CentralDirectory dir;
  std::string error;
  ASSERT_TRUE(ReadCentralDirectory(file, &dir, &error));
  EXPECT_EQ(ReadLocal(first, dir.entries[13]).method, kMethodDeflated);  // big.txt
  EXPECT_EQ(ReadLocal(first, dir.entries[15]).method, kMethodStored);    // noise.bin
}

TEST(ZipParallel, MatchesReachAcrossChunkBoundariesUpToTheWindow) {
  // Random blocks just inside deflate's reach and repeated: only matches
  // into the chunk before shrink the start of each chunk.
  for (std::size_t block : {std::size_t{30000}, std::size_t{32000}}) {
    const std::string data = zelk::testing::RepeatedRandomBlock(block, 3 * kChunkSize + 999, 11);
    const Files files = {{"blocks.bin", data}};
    bool added = false;
    const std::vector<std::uint8_t> bytes = Write(files, zelk::testing::Threads(2), &added);
    ASSERT_TRUE(added);
    EXPECT_EQ(ReadBack(bytes), files);
    // One block of literals and matches after it; four would mean the
    // chunks started without their dictionary.
    EXPECT_LT(bytes.size(), 2 * block) << block;
  }
}

TEST(ZipParallel, AFailingWorkerLeavesAValidArchiveOfTheEntriesBefore) {
  const Files files = Mixed();
  for (int threads : zelk::testing::kThreadCounts) {
    for (std::size_t failing : {std::size_t{5}, std::size_t{13}}) {  // a small file, the multi-chunk one
      MemoryFile out;
      ZipWriter writer(out, {}, zelk::testing::FailingAtEntry(threads, failing));
      bool ok = true;
      std::size_t entry = 0;
      for (const auto& [name, contents] : files) {
        ok = name.back() == '/' ? writer.AddFolder(Info(name))
                                : writer.AddFile(Info(name, contents.size()), std::make_shared<MemoryFile>(Bytes(contents)));
        if (!ok) break;
        ++entry;
      }
      if (ok) ok = writer.Flush();
      EXPECT_FALSE(ok);
      EXPECT_EQ(writer.failedEntry().name, files[failing].first);
      EXPECT_EQ(writer.error(), "Compression failed: worker failed.");
      ASSERT_TRUE(writer.Finish());
      EXPECT_EQ(ReadBack(out.bytes()), Files(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(failing)))
          << threads << " threads, failing at " << failing;
    }
  }
}

// Reads fail from 100,000 bytes on, like a file on a failing disk.
class FailingSource : public MemoryFile {
 public:
  FailingSource() : MemoryFile(Bytes(Text(3 << 20, 4))) {}
  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override {
    return offset < 100000 && MemoryFile::ReadAt(offset, data, n, got);
  }
  std::string Error() const override { return "read error"; }
};

TEST(ZipParallel, AnUnreadableSourceComesAfterTheEntriesQueuedBeforeIt) {
  const Files files = Mixed();
  const Files before(files.begin(), files.begin() + 14);
  for (int threads : zelk::testing::kThreadCounts) {
    MemoryFile out;
    ZipWriter writer(out, {}, zelk::testing::Threads(threads));
    for (const auto& [name, contents] : before) {
      ASSERT_TRUE(name.back() == '/' ? writer.AddFolder(Info(name))
                                     : writer.AddFile(Info(name, contents.size()),
                                                      std::make_shared<MemoryFile>(Bytes(contents))));
    }
    EXPECT_FALSE(writer.AddFile(Info("bad.bin", 3 << 20), std::make_shared<FailingSource>()));
    EXPECT_EQ(writer.error(), "bad.bin: read error");
    EXPECT_EQ(writer.failedEntry().name, "bad.bin");
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(ReadBack(out.bytes()), before) << threads << " threads";
  }
}

// Held by another program from the first read on.
class HeldSource : public MemoryFile {
 public:
  HeldSource() : MemoryFile(Bytes(Text(500, 6))) {}
  bool ReadAt(std::uint64_t, void*, std::size_t, std::size_t* got) override {
    *got = 0;
    return false;
  }
  std::string Error() const override { return "held by another program"; }
};

TEST(ZipParallel, SmallFilesReadOnThePoolKeepTheirPlaceWhateverTheirSourceDoes) {
  // Small files are opened and read on the pool: one that cannot be read is
  // left out in its place, one that grew past its expected size after the
  // walk is stored whole, and the archive is the same on every count.
  const std::string grown = Text(70000, 8);
  std::vector<std::uint8_t> first;
  for (int threads : zelk::testing::kThreadCounts) {
    MemoryFile out;
    ZipWriter writer(out, {}, zelk::testing::Threads(threads));
    std::vector<std::string> skipped;
    writer.OnSourceSkipped([&](const EntryInfo& info, const std::string& why) {
      skipped.push_back(info.name + " " + std::to_string(info.order) + ": " + why);
    });
    Files expected;
    std::uint64_t order = 0;
    for (const auto& [name, contents] : Mixed()) {
      EntryInfo info = Info(name, contents.size());
      info.order = ++order;
      if (name == "docs/n3.txt") {
        ASSERT_TRUE(writer.AddFile(info, std::make_shared<HeldSource>()));
        continue;
      }
      if (name == "docs/n5.txt") {
        info.expectedSize = 100;
        ASSERT_TRUE(writer.AddFile(info, std::make_shared<MemoryFile>(Bytes(grown))));
        expected.push_back({name, grown});
        continue;
      }
      ASSERT_TRUE(name.back() == '/' ? writer.AddFolder(info)
                                     : writer.AddFile(info, std::make_shared<MemoryFile>(Bytes(contents))));
      expected.push_back({name, contents});
    }
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(skipped, std::vector<std::string>{"docs/n3.txt 5: held by another program"}) << threads;
    if (first.empty()) {
      first = out.bytes();
      EXPECT_EQ(ReadBack(first), expected);
    } else {
      EXPECT_EQ(out.bytes(), first) << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace zelk::zip

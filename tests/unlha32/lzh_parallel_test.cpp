// The LZH writer on a pool of threads: the archive does not depend on the
// number of threads, segments coded apart join into one -lh5- stream whose
// matches reach back across segment boundaries up to the window, and a
// failing worker leaves the entries before.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../support/parallel_runs.h"
#include "format/archive_reader.h"
#include "format/archive_writer.h"
#include "format/crc16.h"
#include "format/lh5_decoder.h"
#include "memory_files.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

using Files = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Small and large, compressible and not, around the segment size; a folder.
Files Mixed() {
  Files f;
  f.push_back({"docs\\", {}});
  for (int i = 0; i < 12; ++i) f.push_back({"docs\\n" + std::to_string(i) + ".txt", TextBytes(1000 + 7919 * i, i)});
  f.push_back({"big.txt", MixedBytes(3 * kSegmentSize + 12345, 99)});
  f.push_back({"exact.txt", TextBytes(2 * kSegmentSize, 98)});
  f.push_back({"noise.bin", RandomBytes(3 << 20, 3)});  // stored once 1 MiB did not shrink
  f.push_back({"empty", {}});
  f.push_back({"late.txt", TextBytes(300, 5)});
  return f;
}

EntryHeader Header(const std::string& path, std::size_t size) {
  EntryHeader h;
  h.path = path;
  h.originalSize = size;
  h.unixTime = 1057000000;
  h.dosAttributes = 0x20;
  return h;
}

// Adds files until one fails; returns whether all went in (with flush,
// written too).
bool AddAll(ArchiveWriter& writer, const Files& files, std::string& error, bool flush = true) {
  for (const auto& [name, contents] : files) {
    const bool ok = name.back() == '\\'
                        ? writer.AddDirectory(Header(name.substr(0, name.size() - 1), 0), error, name)
                        : writer.AddFile(std::make_shared<MemoryInput>(contents), Header(name, contents.size()), error,
                                         name);
    if (!ok) return false;
  }
  return !flush || writer.Flush(error);
}

// Every entry decoded by the strict decoder, in archive order.
Files ReadBack(const std::vector<std::uint8_t>& bytes) {
  MemorySource source(bytes);
  const ArchiveScan scan = ScanArchive(source);
  EXPECT_TRUE(scan.valid) << scan.error;
  EXPECT_EQ(scan.appendOffset + 1, bytes.size());
  Files files;
  for (const ArchiveEntryInfo& e : scan.entries) {
    const std::vector<std::uint8_t> packed(bytes.begin() + static_cast<std::ptrdiff_t>(e.dataOffset),
                                           bytes.begin() + static_cast<std::ptrdiff_t>(e.dataOffset + e.packedSize));
    std::vector<std::uint8_t> data = packed;
    if (e.method == "-lh5-") {
      DecodeResult r = DecodeLh5(packed, static_cast<std::size_t>(e.originalSize));
      EXPECT_EQ(r.error, "") << e.path;
      data = std::move(r.data);
    }
    EXPECT_EQ(ComputeCrc16(data.data(), data.size()), e.fileCrc) << e.path;
    files.push_back({e.method == "-lhd-" ? e.path + "\\" : e.path, data});
  }
  return files;
}

TEST(LzhParallel, ArchivesAreTheSameForOneTwoAndEightThreads) {
  const Files files = Mixed();
  std::vector<std::uint8_t> first;
  for (int threads : zelk::testing::kThreadCounts) {
    MemoryOutput out;
    ArchiveWriter writer(out, 0, {}, zelk::testing::Threads(threads));
    std::string error;
    ASSERT_TRUE(AddAll(writer, files, error)) << error;
    ASSERT_TRUE(writer.Close(error)) << error;
    if (first.empty()) {
      first = out.bytes;
      EXPECT_EQ(ReadBack(first), files);
    } else {
      EXPECT_EQ(out.bytes, first) << threads << " threads";
    }
  }
  MemorySource source(first);
  const ArchiveScan scan = ScanArchive(source);
  EXPECT_EQ(scan.entries[13].method, "-lh5-");  // big.txt, four segments
  EXPECT_EQ(scan.entries[15].method, "-lh0-");  // noise.bin
}

TEST(LzhParallel, MatchesReachAcrossSegmentBoundariesUpToTheWindow) {
  // Random blocks just inside the 8 KiB window, repeated: only matches into
  // the segment before shrink the start of each segment.
  for (std::size_t block : {std::size_t{8000}, std::size_t{8190}}) {
    const std::string data = zelk::testing::RepeatedRandomBlock(block, 3 * kSegmentSize + 999, 11);
    const Files files = {{"blocks.bin", Bytes(data)}};
    MemoryOutput out;
    ArchiveWriter writer(out, 0, {}, zelk::testing::Threads(2));
    std::string error;
    ASSERT_TRUE(AddAll(writer, files, error)) << error;
    ASSERT_TRUE(writer.Close(error));
    EXPECT_EQ(ReadBack(out.bytes), files);
    // The first block as literals and matches after it; segments started
    // without the window would each add another block of literals.
    EXPECT_LT(out.bytes.size(), block + block / 2 + 30000) << block;
  }
}

TEST(LzhParallel, AFailingWorkerLeavesAValidArchiveOfTheEntriesBefore) {
  const Files files = Mixed();
  for (int threads : zelk::testing::kThreadCounts) {
    for (std::size_t failing : {std::size_t{5}, std::size_t{13}}) {  // a small file, the multi-segment one
      MemoryOutput out;
      ArchiveWriter writer(out, 0, {}, zelk::testing::FailingAtEntry(threads, failing));
      std::string error;
      EXPECT_FALSE(AddAll(writer, files, error));
      EXPECT_EQ(error, "compression failed: worker failed");
      EXPECT_EQ(writer.failedLabel(), files[failing].first);
      ASSERT_TRUE(writer.Close(error));
      EXPECT_EQ(ReadBack(out.bytes), Files(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(failing)))
          << threads << " threads, failing at " << failing;
    }
  }
}

TEST(LzhParallel, AnUnreadableInputComesAfterTheEntriesQueuedBeforeIt) {
  const Files files = Mixed();
  const Files before(files.begin(), files.begin() + 14);
  for (int threads : zelk::testing::kThreadCounts) {
    MemoryOutput out;
    ArchiveWriter writer(out, 0, {}, zelk::testing::Threads(threads));
    std::string error;
    ASSERT_TRUE(AddAll(writer, before, error, false)) << error;
    EXPECT_FALSE(writer.AddFile(std::make_shared<MemoryInput>(TextBytes(3 << 20, 4), 100000),
                                Header("bad.bin", 3 << 20), error, "bad.bin"));
    EXPECT_EQ(error, kReadFailed);
    EXPECT_EQ(writer.failedLabel(), "bad.bin");
    ASSERT_TRUE(writer.Close(error));
    EXPECT_EQ(ReadBack(out.bytes), before) << threads << " threads";
  }
}

TEST(LzhParallel, SmallFilesReadOnThePoolKeepTheirPlaceWhateverTheirInputDoes) {
  // Small files are opened and read on the pool: one that cannot be read is
  // left out in its place, one that grew past its expected size after the
  // walk is stored whole, and the archive is the same on every count.
  const std::vector<std::uint8_t> grown = TextBytes(70000, 8);
  std::vector<std::uint8_t> first;
  for (int threads : zelk::testing::kThreadCounts) {
    MemoryOutput out;
    ArchiveWriter writer(out, 0, {}, zelk::testing::Threads(threads));
    std::vector<std::string> skipped;
    writer.OnInputSkipped([&](const std::string& label, const std::string&, std::uint64_t order) {
      skipped.push_back(label + " " + std::to_string(order));
    });
    Files expected;
    std::uint64_t order = 0;
    std::string error;
    for (const auto& [name, contents] : Mixed()) {
      ++order;
      bool ok = true;
      if (name.back() == '\\') {
        ok = writer.AddDirectory(Header(name.substr(0, name.size() - 1), 0), error, name);
        expected.push_back({name, contents});
      } else if (name == "docs\\n3.txt") {
        ok = writer.AddFile(std::make_shared<MemoryInput>(contents, 0), Header(name, contents.size()), error, name,
                            order);
      } else if (name == "docs\\n5.txt") {
        ok = writer.AddFile(std::make_shared<MemoryInput>(grown), Header(name, 100), error, name, order);
        expected.push_back({name, grown});
      } else {
        ok = writer.AddFile(std::make_shared<MemoryInput>(contents), Header(name, contents.size()), error, name,
                            order);
        expected.push_back({name, contents});
      }
      ASSERT_TRUE(ok) << name << ": " << error;
    }
    ASSERT_TRUE(writer.Close(error)) << error;
    EXPECT_EQ(skipped, std::vector<std::string>{"docs\\n3.txt 5"}) << threads;
    if (first.empty()) {
      first = out.bytes;
      EXPECT_EQ(ReadBack(first), expected);
    } else {
      EXPECT_EQ(out.bytes, first) << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace zelk::lzh::testing

// Archives written by ArchiveWriter: entry headers as the reader sees them,
// the choice between -lh5- and -lh0-, appending, the end mark after a
// failed entry, and the reader's refusal of files that are not archives.
#include <gtest/gtest.h>

#include "format/archive_reader.h"
#include "format/archive_writer.h"
#include "format/crc16.h"
#include "format/lh5_decoder.h"
#include "memory_files.h"
#include "test_data.h"

namespace zelk::lzh::testing {
namespace {

EntryHeader FileHeader(const std::string& path, std::size_t size) {
  EntryHeader h;
  h.path = path;
  h.originalSize = size;
  h.unixTime = 1057000000;
  h.dosAttributes = 0x20;
  h.hasWindowsTimes = true;
  h.modificationTime = 0x01C3429312345678ull;
  return h;
}

ArchiveScan Scan(const std::vector<std::uint8_t>& bytes) {
  MemorySource source(bytes);
  return ScanArchive(source);
}

std::vector<std::uint8_t> EntryData(const std::vector<std::uint8_t>& archive, const ArchiveEntryInfo& e) {
  return {archive.begin() + static_cast<std::ptrdiff_t>(e.dataOffset),
          archive.begin() + static_cast<std::ptrdiff_t>(e.dataOffset + e.packedSize)};
}

TEST(ArchiveWriter, WritesEntriesTheReaderFindsWithTheirData) {
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  const auto text = TextBytes(50000, 1);
  const auto random = RandomBytes(70000, 2);
  MemoryInput textIn(text);
  MemoryInput randomIn(random);
  MemoryInput emptyIn({});
  ASSERT_TRUE(writer.AddDirectory(FileHeader("Data", 0), error)) << error;
  ASSERT_TRUE(writer.AddFile(textIn, FileHeader("Data\\report.txt", text.size()), error)) << error;
  ASSERT_TRUE(writer.AddFile(randomIn, FileHeader("Data\\photo.jpg", random.size()), error)) << error;
  ASSERT_TRUE(writer.AddFile(emptyIn, FileHeader("Data\\empty", 0), error)) << error;
  ASSERT_TRUE(writer.Close(error)) << error;
  EXPECT_EQ(out.bytes.back(), 0);

  const ArchiveScan scan = Scan(out.bytes);
  ASSERT_TRUE(scan.valid) << scan.error;
  EXPECT_EQ(scan.appendOffset, out.bytes.size() - 1);
  ASSERT_EQ(scan.entries.size(), 4u);
  EXPECT_EQ(scan.entries[0].path, "Data");
  EXPECT_EQ(scan.entries[0].method, "-lhd-");
  EXPECT_EQ(scan.entries[1].path, "Data\\report.txt");
  EXPECT_EQ(scan.entries[1].method, "-lh5-");
  EXPECT_EQ(scan.entries[1].originalSize, text.size());
  EXPECT_EQ(scan.entries[1].fileCrc, ComputeCrc16(text.data(), text.size()));
  EXPECT_EQ(DecodeLh5(EntryData(out.bytes, scan.entries[1]), text.size()).data, text);
  // Incompressible data is stored as it is.
  EXPECT_EQ(scan.entries[2].method, "-lh0-");
  EXPECT_EQ(EntryData(out.bytes, scan.entries[2]), random);
  EXPECT_EQ(scan.entries[2].fileCrc, ComputeCrc16(random.data(), random.size()));
  EXPECT_EQ(randomIn.rewinds, 0);  // smaller than a segment: stored from memory, not read again
  EXPECT_EQ(scan.entries[3].method, "-lh0-");
  EXPECT_EQ(scan.entries[3].packedSize, 0u);
  for (const auto& e : scan.entries) EXPECT_EQ(e.level, 2);
}

TEST(ArchiveWriter, HeaderLengthWithZeroLowByteGetsAPaddingByte) {
  // Find names whose header would be exactly 256 and 512 bytes long.
  for (std::size_t target : {256u, 512u}) {
    std::string name = "a";
    while (BuildLevel2Header(FileHeader(name, 1))->size() < target - 1) name += 'n';
    const auto header = BuildLevel2Header(FileHeader(name + "n", 1));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->size(), target + 1);
    EXPECT_NE((*header)[0], 0);
    MemoryOutput out;
    ArchiveWriter writer(out, 0);
    MemoryInput in({'x'});
    std::string error;
    ASSERT_TRUE(writer.AddFile(in, FileHeader(name + "n", 1), error));
    ASSERT_TRUE(writer.Close(error));
    const ArchiveScan scan = Scan(out.bytes);
    ASSERT_TRUE(scan.valid) << scan.error;
    ASSERT_EQ(scan.entries.size(), 1u);
    EXPECT_EQ(scan.entries[0].path, name + "n");
  }
}

TEST(ArchiveWriter, ShiftJisPathsKeepTrailBytesThatLookLikeBackslashes) {
  // "表示" is 95 5C 8E A6: the 0x5C is part of the first character.
  const std::string dir = "\x95\x5C\x8E\xA6";
  const std::string path = dir + "\\\x83\x5C\x83\x74\x83\x67.txt";  // 表示\ソフト.txt
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  MemoryInput in(TextBytes(100, 4));
  std::string error;
  ASSERT_TRUE(writer.AddDirectory(FileHeader(dir, 0), error));
  ASSERT_TRUE(writer.AddFile(in, FileHeader(path, 100), error));
  ASSERT_TRUE(writer.Close(error));
  const ArchiveScan scan = Scan(out.bytes);
  ASSERT_TRUE(scan.valid) << scan.error;
  ASSERT_EQ(scan.entries.size(), 2u);
  EXPECT_EQ(scan.entries[0].path, dir);
  EXPECT_EQ(scan.entries[1].path, path);
  // The directory field holds the name and one 0xFF, nothing split.
  const std::string raw(out.bytes.begin(), out.bytes.end());
  EXPECT_NE(raw.find(dir + "\xFF"), std::string::npos);
  EXPECT_EQ(raw.find("\x95\xFF"), std::string::npos);
}

TEST(ArchiveWriter, UnicodeNameHeadersRoundTripBesideTheStandInName) {
  // 한국\😀폴더 (a folder) and 한국\😀폴더\깊은.txt, stored as "__\___" and "__\___\__.txt".
  const std::u16string folder = u"\uD55C\uAD6D\\\U0001F600\uD3F4\uB354";
  const std::u16string file = folder + u"\\\uAE4A\uC740.txt";
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  MemoryInput in(TextBytes(500, 7));
  std::string error;
  EntryHeader dir = FileHeader("__\\___", 0);
  dir.unicodePath = folder;
  EntryHeader leaf = FileHeader("__\\___\\__.txt", 500);
  leaf.unicodePath = file;
  ASSERT_TRUE(writer.AddDirectory(dir, error)) << error;
  ASSERT_TRUE(writer.AddFile(in, leaf, error)) << error;
  MemoryInput plainIn(TextBytes(10, 8));
  ASSERT_TRUE(writer.AddFile(plainIn, FileHeader("plain.txt", 10), error));
  ASSERT_TRUE(writer.Close(error));
  const ArchiveScan scan = Scan(out.bytes);
  ASSERT_TRUE(scan.valid) << scan.error;
  ASSERT_EQ(scan.entries.size(), 3u);
  EXPECT_EQ(scan.entries[0].path, "__\\___");
  EXPECT_EQ(scan.entries[0].unicodePath, Utf16ToUtf8(folder));
  EXPECT_EQ(scan.entries[1].path, "__\\___\\__.txt");
  EXPECT_EQ(scan.entries[1].unicodePath, "\xed\x95\x9c\xea\xb5\xad\\\xf0\x9f\x98\x80\xed\x8f\xb4\xeb\x8d\x94\\"
                                         "\xea\xb9\x8a\xec\x9d\x80.txt");
  EXPECT_EQ(scan.entries[2].unicodePath, "");
  EXPECT_EQ(Utf8ToUtf16(scan.entries[1].unicodePath), file);
  // The name header holds the leaf in UTF-16LE, the directory header its
  // folders each ended by a backslash.
  const std::string raw(out.bytes.begin(), out.bytes.end());
  EXPECT_NE(raw.find(std::string("\x44\x4a\xae\x40\xc7.\0t\0x\0t\0", 13)), std::string::npos);
  EXPECT_NE(raw.find(std::string("\xf4\xd3\x54\xb3\\\0", 6)), std::string::npos);
}

TEST(ArchiveWriter, AppendsAfterTheEndMarkOfAnExistingArchive) {
  MemoryOutput out;
  std::string error;
  {
    ArchiveWriter writer(out, 0);
    MemoryInput in(TextBytes(3000, 5));
    ASSERT_TRUE(writer.AddFile(in, FileHeader("first.txt", 3000), error));
    ASSERT_TRUE(writer.Close(error));
  }
  const ArchiveScan before = Scan(out.bytes);
  ASSERT_TRUE(before.valid);
  {
    ArchiveWriter writer(out, before.appendOffset);
    MemoryInput in(TextBytes(4000, 6));
    ASSERT_TRUE(writer.AddFile(in, FileHeader("second.txt", 4000), error));
    ASSERT_TRUE(writer.Close(error));
  }
  const ArchiveScan after = Scan(out.bytes);
  ASSERT_TRUE(after.valid) << after.error;
  ASSERT_EQ(after.entries.size(), 2u);
  EXPECT_EQ(after.entries[1].path, "second.txt");
  EXPECT_EQ(after.appendOffset, out.bytes.size() - 1);
}

TEST(ArchiveWriter, FailedEntryLeavesTheEntriesBeforeIt) {
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  const auto good = TextBytes(20000, 7);
  MemoryInput goodIn(good);
  ASSERT_TRUE(writer.AddFile(goodIn, FileHeader("good.txt", good.size()), error));
  // Read error in the middle of a large entry.
  MemoryInput badIn(MixedBytes(300000, 8), 200000);
  EXPECT_FALSE(writer.AddFile(badIn, FileHeader("bad.bin", 300000), error));
  EXPECT_EQ(error, "cannot read the file");
  // Too large for 32-bit size fields: refused before anything is written.
  error.clear();
  MemoryInput hugeIn({});
  EXPECT_FALSE(writer.AddFile(hugeIn, FileHeader("huge.bin", 0x100000000ull), error));
  EXPECT_NE(error.find("too large"), std::string::npos);
  // A write error while storing.
  error.clear();
  out.FailWritesAfter(1000);
  MemoryInput randomIn(RandomBytes(5000, 9));
  EXPECT_FALSE(writer.AddFile(randomIn, FileHeader("random.bin", 5000), error));
  out.StopFailing();
  ASSERT_TRUE(writer.Close(error));

  const ArchiveScan scan = Scan(out.bytes);
  ASSERT_TRUE(scan.valid) << scan.error;
  ASSERT_EQ(scan.entries.size(), 1u);
  EXPECT_EQ(scan.entries[0].path, "good.txt");
  EXPECT_EQ(out.bytes.size(), scan.appendOffset + 1);
}

TEST(ArchiveWriter, SkippedInputsAreLeftOutAndTheArchiveGoesOn) {
  MemoryOutput out;
  archivers::ParallelOptions parallel;
  parallel.threads = 2;
  ArchiveWriter writer(out, 0, {}, parallel);
  std::vector<std::string> skipped;
  writer.OnInputSkipped([&](const std::string& label, const std::string&, std::uint64_t) { skipped.push_back(label); });
  std::string error;
  const auto good = TextBytes(20000, 7);
  MemoryInput goodIn(good), afterIn(good);
  // A read error after more than a segment was queued; a file too large.
  MemoryInput badIn(MixedBytes(3u << 20, 8), 1536u << 10);
  MemoryInput hugeIn({});
  ASSERT_TRUE(writer.AddFile(goodIn, FileHeader("good.txt", good.size()), error, "good"));
  EXPECT_TRUE(writer.AddFile(badIn, FileHeader("bad.bin", 3u << 20), error, "bad"));
  EXPECT_TRUE(writer.AddFile(hugeIn, FileHeader("huge.bin", 0x100000000ull), error, "huge"));
  EXPECT_TRUE(writer.AddFile(afterIn, FileHeader("after.txt", good.size()), error, "after"));
  ASSERT_TRUE(writer.Close(error)) << error;

  EXPECT_EQ(skipped, (std::vector<std::string>{"bad", "huge"}));
  const ArchiveScan scan = Scan(out.bytes);
  ASSERT_TRUE(scan.valid) << scan.error;
  ASSERT_EQ(scan.entries.size(), 2u);
  EXPECT_EQ(scan.entries[1].path, "after.txt");
  EXPECT_EQ(DecodeLh5(EntryData(out.bytes, scan.entries[1]), good.size()).data, good);
}

TEST(ArchiveWriter, PathsTooLongForAHeaderAreRefused) {
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  MemoryInput in({'x'});
  EXPECT_FALSE(writer.AddFile(in, FileHeader(std::string(70000, 'a'), 1), error));
  EXPECT_FALSE(writer.AddDirectory(FileHeader(std::string(30000, 'b') + "\\" + std::string(40000, 'c'), 0), error));
  ASSERT_TRUE(writer.Close(error));
  EXPECT_EQ(out.bytes, std::vector<std::uint8_t>{0});
}

std::vector<std::uint8_t> Level01Entry(int level, const std::string& name, const std::string& data,
                                       const std::string& dirExt = "") {
  std::vector<std::uint8_t> h = {0, 0, '-', 'l', 'h', '0', '-'};
  auto u32 = [&h](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const std::size_t extSize = dirExt.empty() ? 0 : dirExt.size() + 3;
  u32(static_cast<std::uint32_t>(data.size() + extSize));
  u32(static_cast<std::uint32_t>(data.size()));
  u32(0x2E6E1234);
  h.push_back(0x20);
  h.push_back(static_cast<std::uint8_t>(level));
  h.push_back(static_cast<std::uint8_t>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  h.push_back(0);
  h.push_back(0);  // CRC, unchecked here
  if (level == 1) {
    h.push_back('M');
    h.push_back(static_cast<std::uint8_t>(extSize));
    h.push_back(0);
  }
  h[0] = static_cast<std::uint8_t>(h.size() - 2);
  unsigned sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum += h[i];
  h[1] = static_cast<std::uint8_t>(sum);
  if (!dirExt.empty()) {
    h.push_back(0x02);
    h.insert(h.end(), dirExt.begin(), dirExt.end());
    h.push_back(0);
    h.push_back(0);
  }
  h.insert(h.end(), data.begin(), data.end());
  return h;
}

TEST(ArchiveReader, ReadsLevel0And1Headers) {
  auto bytes = Level01Entry(0, "OLD\\NAME.TXT", "hello");
  const auto second = Level01Entry(1, "b.txt", "world!", "sub\xFF" "dir\xFF");
  bytes.insert(bytes.end(), second.begin(), second.end());
  ArchiveScan scan = Scan(bytes);
  ASSERT_TRUE(scan.valid) << scan.error;
  ASSERT_EQ(scan.entries.size(), 2u);
  EXPECT_EQ(scan.entries[0].path, "OLD\\NAME.TXT");
  EXPECT_EQ(scan.entries[1].path, "sub\\dir\\b.txt");
  EXPECT_EQ(EntryData(bytes, scan.entries[1]), (std::vector<std::uint8_t>{'w', 'o', 'r', 'l', 'd', '!'}));
  // No end mark: new entries go at the end of the file.
  EXPECT_EQ(scan.appendOffset, bytes.size());
}

TEST(ArchiveReader, RefusesWhatIsNotAnArchive) {
  MemoryOutput out;
  ArchiveWriter writer(out, 0);
  std::string error;
  MemoryInput in(TextBytes(5000, 10));
  ASSERT_TRUE(writer.AddFile(in, FileHeader("a.txt", 5000), error));
  ASSERT_TRUE(writer.Close(error));
  ASSERT_TRUE(Scan(out.bytes).valid);

  auto text = TextBytes(1000, 11);
  EXPECT_FALSE(Scan(text).valid);
  auto truncated = out.bytes;
  truncated.resize(truncated.size() - 20);
  EXPECT_FALSE(Scan(truncated).valid);
  auto badCrc = out.bytes;
  badCrc[33] ^= 1;  // a byte of the file name: the header CRC no longer matches
  EXPECT_EQ(Scan(badCrc).error, "header CRC mismatch");
  auto badLevel = out.bytes;
  badLevel[20] = 3;
  EXPECT_FALSE(Scan(badLevel).valid);
  const std::vector<std::uint8_t> zip = {'P', 'K', 3, 4, 20, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(Scan(zip).valid);
  // An empty file or a lone end mark is an empty archive.
  EXPECT_TRUE(Scan({}).valid);
  const ArchiveScan lone = Scan({0});
  EXPECT_TRUE(lone.valid);
  EXPECT_EQ(lone.appendOffset, 0u);
}

}  // namespace
}  // namespace zelk::lzh::testing

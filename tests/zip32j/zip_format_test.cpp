// The zip writer and central-directory reader: archives written in memory
// are read back through their records and inflated with zlib.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "common/memory_file.h"
#include "zip32j/format/central_directory.h"
#include "zip32j/format/zip_records.h"
#include "zip32j/format/zip_times.h"
#include "zip32j/format/zip_writer.h"
#include "zip_test_util.h"

namespace zelk::zip {
namespace {

using archivers::MemoryFile;
using testing::Bytes;
using testing::CentralExtra;
using testing::Info;
using testing::ReadLocal;

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string Text(std::size_t lines) {
  std::string s;
  for (std::size_t i = 0; i < lines; ++i) s += "line " + std::to_string(i) + " of some text\r\n";
  return s;
}

CentralDirectory Read(std::vector<std::uint8_t> bytes) {
  MemoryFile file(std::move(bytes));
  CentralDirectory dir;
  std::string error;
  EXPECT_TRUE(ReadCentralDirectory(file, &dir, &error)) << error;
  return dir;
}

TEST(ZipWriter, FilesAndFoldersReadBackThroughLocalAndCentralRecords) {
  const std::string text = Text(5000);
  const std::string noise = RandomBytes(300000, 1);
  const std::vector<std::uint8_t> archive =
      testing::MakeArchive({{"Data/", ""}, {"Data/a.txt", text}, {"Data/noise.bin", noise}, {"Data/empty", ""}});
  const CentralDirectory dir = Read(archive);
  ASSERT_EQ(dir.entries.size(), 4u);

  const std::vector<std::string> names = {"Data/", "Data/a.txt", "Data/noise.bin", "Data/empty"};
  const std::vector<std::string> contents = {"", text, noise, ""};
  const std::vector<std::uint16_t> methods = {kMethodStored, kMethodDeflated, kMethodStored, kMethodStored};
  for (std::size_t i = 0; i < 4; ++i) {
    const CentralEntry& e = dir.entries[i];
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(e.name, names[i]);
    EXPECT_FALSE(e.utf8Name);
    EXPECT_EQ(e.method, methods[i]);
    EXPECT_EQ(e.uncompressedSize, contents[i].size());
    EXPECT_EQ(e.crc32, testing::Crc(contents[i]));
    EXPECT_EQ(e.externalAttributes, i == 0 ? 0x10u : 0x20u);
    EXPECT_EQ(e.record[5], kHostMsDos);  // version made by: MS-DOS
    const testing::LocalEntry local = ReadLocal(archive, e);
    EXPECT_EQ(local.name, e.name);
    EXPECT_EQ(local.method, e.method);
    EXPECT_EQ(local.crc, e.crc32);
    EXPECT_EQ(local.compressedSize, e.compressedSize);
    EXPECT_EQ(local.uncompressedSize, e.uncompressedSize);
    EXPECT_EQ(local.contents, contents[i]);
    const auto ut = local.extra.at(kExtraTimestamp);
    ASSERT_EQ(ut.size(), 5u);
    EXPECT_EQ(ut[0], 1);
    EXPECT_EQ(Get32(&ut[1]), 1058277909u);
  }
  EXPECT_LT(dir.entries[1].compressedSize, text.size() / 4);
  // Date and time fields of 2003-07-15 14:05:09 (seconds in two-second steps).
  EXPECT_EQ(Get16(&dir.entries[1].record[12]), (14 << 11) | (5 << 5) | 4);
  EXPECT_EQ(Get16(&dir.entries[1].record[14]), (23 << 9) | (7 << 5) | 15);
}

TEST(ZipWriter, LargeIncompressibleAndLargeCompressibleFiles) {
  const std::string noise = RandomBytes(5u << 20, 3);
  const std::string text = Text(200000);  // several MiB
  const std::vector<std::uint8_t> archive = testing::MakeArchive({{"photo.jpg", noise}, {"log.txt", text}});
  const CentralDirectory dir = Read(archive);
  ASSERT_EQ(dir.entries.size(), 2u);
  EXPECT_EQ(dir.entries[0].method, kMethodStored);
  EXPECT_EQ(dir.entries[0].compressedSize, noise.size());
  EXPECT_EQ(dir.entries[0].crc32, testing::Crc(noise));
  EXPECT_EQ(dir.entries[1].localHeaderOffset, dir.entries[0].localHeaderOffset + 30 + 9 + 9 + noise.size());
  EXPECT_EQ(ReadLocal(archive, dir.entries[0]).contents, noise);
  EXPECT_EQ(dir.entries[1].method, kMethodDeflated);
  EXPECT_EQ(ReadLocal(archive, dir.entries[1]).contents, text);
}

TEST(ZipWriter, NonAsciiNamesCarryTheUnicodePathField) {
  const std::string ansi = "\x95\x5c\x8e\xa6.txt";  // 表示.txt in Shift-JIS
  const std::string utf8 = "\xe8\xa1\xa8\xe7\xa4\xba.txt";
  MemoryFile out;
  ZipWriter writer(out, {});
  EntryInfo info = Info(ansi, 3);
  info.utf8Name = utf8;
  MemoryFile source(Bytes("abc"));
  ASSERT_TRUE(writer.AddFile(info, source)) << writer.error();
  EntryInfo plain = Info("plain.txt", 0);
  plain.utf8Name = "plain.txt";
  MemoryFile empty;
  ASSERT_TRUE(writer.AddFile(plain, empty));
  ASSERT_TRUE(writer.Finish());
  const CentralDirectory dir = Read(out.bytes());
  ASSERT_EQ(dir.entries.size(), 2u);
  EXPECT_EQ(dir.entries[0].name, ansi);
  EXPECT_EQ(Get16(&dir.entries[0].record[8]) & 0x0800, 0);  // bit 11 clear
  for (const auto& fields : {CentralExtra(dir.entries[0]), ReadLocal(out.bytes(), dir.entries[0]).extra}) {
    const auto& up = fields.at(kExtraUnicodePath);
    ASSERT_EQ(up.size(), 5 + utf8.size());
    EXPECT_EQ(up[0], 1);
    EXPECT_EQ(Get32(&up[1]), testing::Crc(ansi));
    EXPECT_EQ(std::string(up.begin() + 5, up.end()), utf8);
  }
  EXPECT_EQ(CentralExtra(dir.entries[1]).count(kExtraUnicodePath), 0u);
  // The reader takes the field back while it belongs to the stored name.
  EXPECT_EQ(dir.entries[0].unicodePath, utf8);
  EXPECT_EQ(dir.entries[1].unicodePath, "");
}

TEST(ZipWriter, Utf8NamesSetBit11InBothRecordsWithoutAUnicodePathField) {
  const std::string korean = "\xed\x95\x9c/\xea\xb8\x80.txt";  // 한/글.txt
  MemoryFile out;
  ZipWriter writer(out, {});
  EntryInfo folder = Info("\xed\x95\x9c/", 0);
  folder.nameIsUtf8 = true;
  ASSERT_TRUE(writer.AddFolder(folder));
  EntryInfo info = Info(korean, 3);
  info.nameIsUtf8 = true;
  info.utf8Name = korean;
  MemoryFile source(Bytes("abc"));
  ASSERT_TRUE(writer.AddFile(info, source)) << writer.error();
  ASSERT_TRUE(writer.Finish());
  const CentralDirectory dir = Read(out.bytes());
  ASSERT_EQ(dir.entries.size(), 2u);
  for (const CentralEntry& e : dir.entries) {
    EXPECT_TRUE(e.utf8Name);
    EXPECT_EQ(Get16(&e.record[8]) & 0x0800, 0x0800);
    EXPECT_EQ(Get16(&out.bytes()[e.localHeaderOffset + 6]) & 0x0800, 0x0800);
    EXPECT_EQ(CentralExtra(e).count(kExtraUnicodePath), 0u);
  }
  EXPECT_EQ(dir.entries[1].name, korean);
}

TEST(ZipWriter, AppendingKeepsOldBytesRecordsAndComment) {
  std::vector<std::uint8_t> first = testing::MakeArchive({{"a.txt", Text(100)}, {"b/", ""}});
  // Give the archive a comment, as other tools may.
  const std::string comment = "kept comment";
  first[first.size() - 2] = static_cast<std::uint8_t>(comment.size());
  first.insert(first.end(), comment.begin(), comment.end());
  MemoryFile file(first);
  CentralDirectory dir;
  std::string error;
  ASSERT_TRUE(ReadCentralDirectory(file, &dir, &error)) << error;
  const std::uint64_t oldEnd = dir.startOffset;
  const std::vector<std::vector<std::uint8_t>> oldRecords = {dir.entries[0].record, dir.entries[1].record};
  EXPECT_EQ(dir.comment, comment);

  ZipWriter writer(file, std::move(dir));
  MemoryFile source(Bytes("new contents"));
  ASSERT_TRUE(writer.AddFile(Info("c.txt", 12), source));
  ASSERT_TRUE(writer.Finish());
  EXPECT_TRUE(std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(oldEnd), file.bytes().begin()));
  const CentralDirectory after = Read(file.bytes());
  ASSERT_EQ(after.entries.size(), 3u);
  EXPECT_EQ(after.entries[0].record, oldRecords[0]);
  EXPECT_EQ(after.entries[1].record, oldRecords[1]);
  EXPECT_EQ(after.entries[2].localHeaderOffset, oldEnd);
  EXPECT_EQ(ReadLocal(file.bytes(), after.entries[2]).contents, "new contents");
  EXPECT_EQ(after.comment, comment);
}

// A source that fails after some bytes, like a file on a failing disk.
class FailingSource : public archivers::RandomAccessFile {
 public:
  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override {
    if (offset >= 100000) return false;
    std::memset(data, 'x', n);
    *got = n;
    return true;
  }
  bool WriteAt(std::uint64_t, const void*, std::size_t) override { return false; }
  bool Size(std::uint64_t* size) override {
    *size = 1 << 20;
    return true;
  }
  bool Truncate(std::uint64_t) override { return false; }
  std::string Error() const override { return "read error"; }
};

TEST(ZipWriter, FailedEntriesLeaveAValidArchiveOfTheCompletedOnes) {
  MemoryFile out;
  ZipWriter writer(out, {});
  MemoryFile first(Bytes(Text(200)));
  ASSERT_TRUE(writer.AddFile(Info("first.txt", 1), first));
  const std::uint64_t afterFirst = out.bytes().size();

  FailingSource failing;
  EXPECT_FALSE(writer.AddFile(Info("second.txt", 1 << 20), failing));
  EXPECT_EQ(writer.error(), "second.txt: read error");

  // The disk fills up during the third entry.
  out.FailWritesPast(afterFirst + 5000);
  MemoryFile noise(Bytes(RandomBytes(200000, 2)));
  EXPECT_FALSE(writer.AddFile(Info("third.bin", 200000), noise));
  ASSERT_TRUE(writer.Finish()) << writer.error();

  const CentralDirectory dir = Read(out.bytes());
  ASSERT_EQ(dir.entries.size(), 1u);
  EXPECT_EQ(dir.entries[0].name, "first.txt");
  EXPECT_EQ(dir.startOffset, afterFirst);
  EXPECT_EQ(ReadLocal(out.bytes(), dir.entries[0]).contents, Text(200));
}

TEST(ZipWriter, SkippedSourcesAreLeftOutAndTheArchiveGoesOn) {
  MemoryFile out;
  archivers::ParallelOptions parallel;
  parallel.threads = 2;
  ZipWriter writer(out, {}, parallel);
  std::vector<std::string> skipped;
  writer.OnSourceSkipped([&](const EntryInfo& info, const std::string& why) { skipped.push_back(info.name + ": " + why); });
  MemoryFile first(Bytes(Text(200)));
  MemoryFile after(Bytes(Text(300)));
  FailingSource failing;  // after a chunk of it was queued
  ASSERT_TRUE(writer.AddFile(Info("first.txt", 200), first));
  EXPECT_TRUE(writer.AddFile(Info("second.txt", 1 << 20), failing));
  EXPECT_TRUE(writer.AddFile(Info("after.txt", 300), after));
  ASSERT_TRUE(writer.Finish()) << writer.error();

  EXPECT_EQ(skipped, std::vector<std::string>{"second.txt: read error"});
  const CentralDirectory dir = Read(out.bytes());
  ASSERT_EQ(dir.entries.size(), 2u);
  EXPECT_EQ(dir.entries[1].name, "after.txt");
  EXPECT_EQ(ReadLocal(out.bytes(), dir.entries[1]).contents, Text(300));
}

TEST(ZipWriter, RefusesBadNames) {
  MemoryFile out;
  ZipWriter writer(out, {});
  MemoryFile source;
  EXPECT_FALSE(writer.AddFolder(Info("no-slash")));
  EXPECT_FALSE(writer.AddFile(Info("slash/"), source));
  EXPECT_FALSE(writer.AddFile(Info(std::string(40000, 'n')), source));
  EXPECT_EQ(writer.entryCount(), 0u);
}

TEST(ZipWriter, MoreThan65534EntriesGetZip64EndRecords) {
  MemoryFile out;
  ZipWriter writer(out, {});
  constexpr std::size_t kCount = 65536;
  for (std::size_t i = 0; i < kCount; ++i) {
    ASSERT_TRUE(writer.AddFolder(Info("d" + std::to_string(i) + "/")));
  }
  ASSERT_TRUE(writer.Finish());
  const std::vector<std::uint8_t>& b = out.bytes();
  const std::uint8_t* end = b.data() + b.size() - kEndSize;
  EXPECT_EQ(Get32(end), kEndSignature);
  EXPECT_EQ(Get16(end + 10), 0xFFFF);
  EXPECT_EQ(Get32(end - kZip64LocatorSize), kZip64LocatorSignature);
  const CentralDirectory dir = Read(b);
  ASSERT_EQ(dir.entries.size(), kCount);
  EXPECT_EQ(dir.entries.back().name, "d65535/");

  // Appending to it keeps the zip64 records readable.
  MemoryFile file(b);
  CentralDirectory again;
  std::string error;
  ASSERT_TRUE(ReadCentralDirectory(file, &again, &error)) << error;
  ZipWriter more(file, std::move(again));
  ASSERT_TRUE(more.AddFolder(Info("last/")));
  ASSERT_TRUE(more.Finish());
  EXPECT_EQ(Read(file.bytes()).entries.size(), kCount + 1);
}

TEST(ZipWriter, OffsetsPast4GiBGoToZip64Fields) {
  constexpr std::uint64_t kBase = (std::uint64_t{5} << 30) + 7;
  testing::HighOffsetFile file(kBase);
  CentralDirectory existing;
  existing.startOffset = kBase;
  ZipWriter writer(file, std::move(existing));
  MemoryFile source(Bytes(Text(50)));
  ASSERT_TRUE(writer.AddFile(Info("far.txt", 10), source));
  ASSERT_TRUE(writer.Finish());

  CentralDirectory dir;
  std::string error;
  ASSERT_TRUE(ReadCentralDirectory(file, &dir, &error)) << error;
  ASSERT_EQ(dir.entries.size(), 1u);
  EXPECT_EQ(dir.entries[0].localHeaderOffset, kBase);
  EXPECT_EQ(Get32(&dir.entries[0].record[42]), kMax32);
  const auto zip64 = CentralExtra(dir.entries[0]).at(kExtraZip64);
  ASSERT_EQ(zip64.size(), 8u);  // the offset only
  EXPECT_EQ(Get64(zip64.data()), kBase);
  EXPECT_GE(dir.startOffset, kBase);
  EXPECT_EQ(dir.entries[0].record[6], kVersionZip64);  // version needed 4.5
}

TEST(ZipWriter, LargeExpectedSizePutsZip64SizesInTheLocalHeader) {
  MemoryFile out;
  ZipWriter writer(out, {});
  const std::string text = Text(300);
  MemoryFile source(Bytes(text));
  ASSERT_TRUE(writer.AddFile(Info("big.txt", std::uint64_t{5} << 30), source));
  ASSERT_TRUE(writer.Finish());
  const CentralDirectory dir = Read(out.bytes());
  const testing::LocalEntry local = ReadLocal(out.bytes(), dir.entries[0]);
  EXPECT_EQ(local.compressedSize, kMax32);
  EXPECT_EQ(local.uncompressedSize, kMax32);
  const auto& zip64 = local.extra.at(kExtraZip64);
  ASSERT_EQ(zip64.size(), 16u);
  EXPECT_EQ(Get64(zip64.data()), text.size());
  EXPECT_EQ(Get64(zip64.data() + 8), dir.entries[0].compressedSize);
  EXPECT_EQ(local.contents, text);
}

TEST(CentralDirectoryReader, RefusesWhatIsNotAnAppendableArchive) {
  const std::vector<std::uint8_t> good = testing::MakeArchive({{"a.txt", "abc"}});
  auto refused = [](std::vector<std::uint8_t> bytes) {
    MemoryFile file(std::move(bytes));
    CentralDirectory dir;
    std::string error;
    const bool ok = ReadCentralDirectory(file, &dir, &error);
    return !ok && !error.empty();
  };
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused(Bytes("plain text, not an archive")));
  EXPECT_TRUE(refused(std::vector<std::uint8_t>(good.begin(), good.end() - 1)));  // cut end record
  std::vector<std::uint8_t> trailing = good;
  trailing.push_back('x');  // bytes after the end record
  EXPECT_TRUE(refused(trailing));
  std::vector<std::uint8_t> count = good;
  count[count.size() - 12] = 2;  // two entries claimed, one present
  count[count.size() - 14] = 2;
  EXPECT_TRUE(refused(count));
  std::vector<std::uint8_t> offset = good;
  offset[offset.size() - 6] ^= 1;  // central directory moved
  EXPECT_TRUE(refused(offset));
  std::vector<std::uint8_t> disk = good;
  disk[disk.size() - 18] = 1;  // multi-disk
  EXPECT_TRUE(refused(disk));
  // An empty archive is a valid one.
  EXPECT_FALSE(refused(testing::MakeArchive({})));
}

TEST(ZipTimes, DosDateTimeAndUnixTime) {
  const DosDateTime t = PackDosDateTime(2021, 3, 4, 5, 6, 7);
  EXPECT_EQ(t.time, (5 << 11) | (6 << 5) | 3);
  EXPECT_EQ(t.date, (41 << 9) | (3 << 5) | 4);
  EXPECT_EQ(PackDosDateTime(1970, 1, 1, 0, 0, 0).date, (1 << 5) | 1);
  EXPECT_EQ(PackDosDateTime(2200, 1, 1, 0, 0, 0).date, (127 << 9) | (12 << 5) | 31);
  EXPECT_EQ(UnixTime32FromFileTime(116444736000000000ull), 0u);
  EXPECT_EQ(UnixTime32FromFileTime(116444736000000000ull + 10000000ull * 1058277909), 1058277909u);
  EXPECT_FALSE(UnixTime32FromFileTime(0).has_value());
  EXPECT_FALSE(UnixTime32FromFileTime(116444736000000000ull + 10000000ull * 0x80000000ull).has_value());
}

}  // namespace
}  // namespace zelk::zip

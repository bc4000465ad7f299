// Seeded random lines through the FileList.dat line codec, bounded in time.
// Run natively under ASan and UBSan, any read past a line or overflow fails.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "targets/filelist_line.h"
#include "text/mbcs.h"

namespace zelk::targets {
namespace {

// <chrono> does not compile with the Shift-JIS execution character set, so
// the budget is processor time from <ctime>.
constexpr std::clock_t kTimeBudget = 4 * CLOCKS_PER_SEC;
constexpr int kMaxIterations = 400000;

std::uint32_t Seed() {
  const char* env = std::getenv("ZELK_FUZZ_SEED");
  return env != nullptr ? static_cast<std::uint32_t>(std::strtoul(env, nullptr, 10)) : 20240611u;
}

// Bytes biased toward what matters to the parser.
char RandomByte(std::mt19937& rng) {
  static const char kInteresting[] = {';', ';', '0', '3', '9', '-', '+', ' ', '\t', '\\', '\0',
                                      '\x81', '\x9F', '\xE0', '\xFC', '\x5C', '\xA6', '\x7F', '\xFF'};
  std::uint32_t r = rng();
  if (r % 3 == 0) return static_cast<char>(rng() & 0xFF);
  return kInteresting[(r / 3) % sizeof kInteresting];
}

std::string RandomLine(std::mt19937& rng) {
  std::size_t length = rng() % 8 == 0 ? rng() % 5000 : rng() % 40;
  std::string line;
  line.reserve(length);
  for (std::size_t i = 0; i < length; ++i) line += RandomByte(rng);
  return line;
}

// A field of whole Shift-JIS characters without ';', line breaks or NUL.
std::string RandomField(std::mt19937& rng) {
  std::string field;
  std::size_t chars = rng() % 30;
  for (std::size_t i = 0; i < chars; ++i) {
    if (rng() % 3 == 0) {
      field += static_cast<char>(0x81 + rng() % 0x1F);          // lead byte 81..9F
      field += static_cast<char>(0x40 + rng() % 0x3F);          // trail 40..7E
    } else {
      char c;
      do c = static_cast<char>(1 + rng() % 0x7F); while (c == ';' || c == '\r' || c == '\n');
      field += c;
    }
  }
  return field;
}

int ReferenceMark(const std::string& line) {
  std::string field = line.substr(0, line.find('\0'));
  field = field.substr(0, text::FindFirstChar(field, ';'));
  char* end = nullptr;
  long long value = std::strtoll(field.c_str(), &end, 10);
  if (end == field.c_str()) return kUnknownMark;  // no number
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

TEST(FileListLineFuzz, RandomLinesParseWithinBoundsAndMarksMatchStrtoll) {
  std::mt19937 rng(Seed());
  const std::clock_t deadline = std::clock() + kTimeBudget;
  int iterations = 0;
  for (; iterations < kMaxIterations && std::clock() < deadline; ++iterations) {
    const std::string line = RandomLine(rng);
    const TargetEntry e = ParseFileListLine(line);
    ASSERT_EQ(e.mark, ReferenceMark(line)) << "seed " << Seed() << " iteration " << iterations;
    ASSERT_LE(e.path.size() + e.comment.size(), line.size());
    ASSERT_EQ(e.path.find('\0'), std::string::npos);
    // Saving what was read and reading it again gives a line that reads
    // back the same from then on.
    const TargetEntry again = ParseFileListLine(FormatFileListLine(e));
    const TargetEntry third = ParseFileListLine(FormatFileListLine(again));
    ASSERT_EQ(third.mark, again.mark);
    ASSERT_EQ(third.path, again.path);
    ASSERT_EQ(third.comment, again.comment);
    (void)IsBlankFileListLine(line);
  }
  EXPECT_GT(iterations, 1000);
}

TEST(FileListLineFuzz, NoCommentBreaksItsLine) {
  std::mt19937 rng(Seed() + 2);
  for (int i = 0; i < 20000; ++i) {
    std::string comment = RandomLine(rng);
    if (rng() % 2 == 0) comment += rng() % 2 == 0 ? "\r\n" : "\x81";
    const std::string line = FormatFileListLine({"C:\\x", comment, ActiveFile});
    ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << "seed " << Seed() << " iteration " << i;
    const TargetEntry back = ParseFileListLine(line);
    ASSERT_EQ(back.path, "C:\\x");
    ASSERT_EQ(back.comment, FileListComment(comment.substr(0, comment.find('\0'))));
    ASSERT_FALSE(CommentBreaksLine(back.comment));
  }
}

TEST(FileListLineFuzz, WellFormedEntriesRoundTripExactly) {
  std::mt19937 rng(Seed() + 1);
  for (int i = 0; i < 20000; ++i) {
    TargetEntry entry{RandomField(rng), RandomField(rng), static_cast<int>(rng())};
    const TargetEntry back = ParseFileListLine(FormatFileListLine(entry));
    ASSERT_EQ(back.mark, entry.mark);
    ASSERT_EQ(back.path, entry.path);
    ASSERT_EQ(back.comment, entry.comment);
  }
}

}  // namespace
}  // namespace zelk::targets

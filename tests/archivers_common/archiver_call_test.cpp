// The guard around one archiver call: what the caller finds in its buffer
// and the result code for every way a call can fail before or inside a run.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "common/archiver_call.h"

namespace zelk::archivers {
namespace {

constexpr int kBad = 7;
constexpr int kInternal = 9;

struct Line {
  std::string text;
};

std::optional<Line> Parse(std::string_view line, std::string* error) {
  if (line == "refuse") {
    *error = "Unknown switch -z.";
    return std::nullopt;
  }
  if (line == "no memory") throw std::bad_alloc();
  if (line == "throw") throw std::runtime_error("boom");
  return Line{std::string(line)};
}

int Echo(const Line& line, OutputBuffer& out) {
  out.Set("ran " + line.text);
  return 0;
}

std::pair<int, std::string> Call(const char* line, std::size_t size = 64) {
  char buffer[64] = "untouched";
  const int code = RunArchiverCall(line, buffer, size, Parse, Echo, kBad, kInternal);
  return {code, buffer};
}

TEST(ArchiverCall, RunsParsedLinesAndTurnsEveryFailureIntoACodeAndAText) {
  EXPECT_EQ(Call("a b"), std::make_pair(0, std::string("ran a b")));
  EXPECT_EQ(Call(nullptr), std::make_pair(kBad, std::string("No command line.")));
  EXPECT_EQ(Call("refuse"), std::make_pair(kBad, std::string("Unknown switch -z.")));
  EXPECT_EQ(Call("no memory"), std::make_pair(kInternal, std::string("Out of memory.")));
  EXPECT_EQ(Call("throw"), std::make_pair(kInternal, std::string("Unexpected failure.")));
  // The text is cut to the caller's size.
  EXPECT_EQ(Call("abcdef", 6), std::make_pair(0, std::string("ran a")));
}

TEST(ArchiverCall, NullOutputIsNeverWritten) {
  EXPECT_EQ(RunArchiverCall("x", nullptr, 100, Parse, Echo, kBad, kInternal), 0);
  EXPECT_EQ(RunArchiverCall(nullptr, nullptr, 100, Parse, Echo, kBad, kInternal), kBad);
}

}  // namespace
}  // namespace zelk::archivers

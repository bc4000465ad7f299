#include "plan/generation_state.h"

#include <charconv>
#include <string_view>

#include "fileutil/path_names.h"

namespace zelk::plan {
namespace {

constexpr std::string_view kHeader = "Zelk generation state 1";
constexpr std::string_view kEnd = "end";

// The tab-separated fields of a line that starts with key.
std::optional<std::vector<std::string_view>> Fields(std::string_view line, std::string_view key) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  if (fields.front() != key) return std::nullopt;
  fields.erase(fields.begin());
  return fields;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string Flag(bool value) { return value ? "1" : "0"; }

}  // namespace

const std::string* GenerationState::PlaceOf(const std::string& path) const {
  for (const Place& p : places) {
    if (fileutil::SamePath(p.path, path)) return &p.place;
  }
  return nullptr;
}

bool NothingChanged(const GenerationState& state, const RunShape& now) {
  return !state.partial && !now.newest.empty() && fileutil::SamePath(state.generation, now.newest) &&
         state.format == now.format && state.keepHistory == now.keepHistory &&
         state.sourceDigest == now.sourceDigest && !state.generationDigest.empty() &&
         state.generationDigest == now.generationDigest;
}

std::vector<std::string> FormatState(const GenerationState& state) {
  std::vector<std::string> lines{std::string(kHeader), "generation\t" + state.generation,
                                 "made\t" + std::to_string(state.format) + "\t" + Flag(state.keepHistory) + "\t" +
                                     Flag(state.partial),
                                 "sources\t" + state.sourceDigest, "written\t" + state.generationDigest};
  for (const GenerationState::Place& p : state.places) lines.push_back("target\t" + p.place + "\t" + p.path);
  lines.emplace_back(kEnd);
  return lines;
}

std::optional<GenerationState> ParseState(const std::vector<std::string>& lines) {
  if (lines.size() < 6 || lines.front() != kHeader || lines.back() != kEnd) return std::nullopt;
  GenerationState state;
  const auto generation = Fields(lines[1], "generation");
  const auto made = Fields(lines[2], "made");
  const auto sources = Fields(lines[3], "sources");
  const auto written = Fields(lines[4], "written");
  if (!generation || generation->size() != 1 || !made || made->size() != 3 || !sources || sources->size() != 1 ||
      !written || written->size() != 1) {
    return std::nullopt;
  }
  const auto format = Number((*made)[0]);
  if (!format || ((*made)[1] != "0" && (*made)[1] != "1") || ((*made)[2] != "0" && (*made)[2] != "1")) {
    return std::nullopt;
  }
  state.generation = std::string((*generation)[0]);
  state.format = *format;
  state.keepHistory = (*made)[1] == "1";
  state.partial = (*made)[2] == "1";
  state.sourceDigest = std::string((*sources)[0]);
  state.generationDigest = std::string((*written)[0]);
  if (state.generation.empty() || state.sourceDigest.size() != 64) return std::nullopt;
  for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
    const auto target = Fields(lines[i], "target");
    if (!target || target->size() != 2 || (*target)[0].empty() || (*target)[1].empty()) return std::nullopt;
    state.places.push_back({std::string((*target)[1]), std::string((*target)[0])});
  }
  return state;
}

}  // namespace zelk::plan

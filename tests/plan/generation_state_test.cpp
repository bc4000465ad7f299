#include "plan/generation_state.h"

#include <gtest/gtest.h>

#include "plan/plan_digest.h"

namespace zelk::plan {
namespace {

GenerationState Sample() {
  GenerationState state;
  state.generation = "C:\\Backup\\03.07.15.14.05.09";
  state.format = 0;
  state.keepHistory = true;
  state.sourceDigest = std::string(64, 'a');
  state.generationDigest = std::string(64, 'b');
  state.places = {{"C:\\a\\x.txt", "x.txt"}, {"C:\\b\\x.txt", "x(2).txt"}};
  return state;
}

TEST(GenerationState, ReadsBackWhatItWroteAndNothingTorn) {
  const std::vector<std::string> lines = FormatState(Sample());
  const std::optional<GenerationState> back = ParseState(lines);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->generation, Sample().generation);
  EXPECT_TRUE(back->keepHistory);
  EXPECT_FALSE(back->partial);
  ASSERT_NE(back->PlaceOf("c:\\B\\x.txt"), nullptr);
  EXPECT_EQ(*back->PlaceOf("c:\\B\\x.txt"), "x(2).txt");
  EXPECT_EQ(back->PlaceOf("C:\\c\\x.txt"), nullptr);
  // Every shorter prefix (a torn write, a hand edit) is no state at all.
  for (std::size_t n = 0; n < lines.size(); ++n) {
    EXPECT_FALSE(ParseState(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(n))))
        << n << " lines";
  }
  std::vector<std::string> edited = lines;
  edited[2] = "made\t0\t2\t0";
  EXPECT_FALSE(ParseState(edited));
}

TEST(GenerationState, AnyDoubtIsAChange) {
  const GenerationState state = Sample();
  const RunShape same{state.generation, 0, true, state.sourceDigest, state.generationDigest};
  EXPECT_TRUE(NothingChanged(state, same));
  struct Case {
    const char* what;
    RunShape now;
    bool partial;
  };
  auto with = [&](auto change) {
    RunShape now = same;
    change(now);
    return now;
  };
  const Case cases[] = {
      {"another newest generation", with([](RunShape& n) { n.newest = "C:\\Backup\\03.07.15.14.05.10"; }), false},
      {"no newest generation", with([](RunShape& n) { n.newest.clear(); }), false},
      {"another format", with([](RunShape& n) { n.format = 1; }), false},
      {"another history mode", with([](RunShape& n) { n.keepHistory = false; }), false},
      {"changed sources", with([](RunShape& n) { n.sourceDigest = std::string(64, 'c'); }), false},
      {"generation changed on disk", with([](RunShape& n) { n.generationDigest = std::string(64, 'c'); }), false},
      {"generation not looked at", with([](RunShape& n) { n.generationDigest.clear(); }), false},
      {"a partly failed generation", same, true},
  };
  for (const Case& c : cases) {
    GenerationState s = state;
    s.partial = c.partial;
    EXPECT_FALSE(NothingChanged(s, c.now)) << c.what;
  }
}

TEST(GenerationState, TheSourceDigestSeesEveryComparedField) {
  RunPlan plan;
  plan.targets = {{"C:\\Data", true, "Data", {}}};
  plan.entries = {{0, {}, EntryKind::Folder, 0x10, 0, 1, 2, 3}, {0, L"a.txt", EntryKind::File, 0x20, 5, 1, 2, 3}};
  const std::string base = SourceDigest(plan);
  auto changed = [&](auto change) {
    RunPlan other = plan;
    change(other);
    return SourceDigest(other);
  };
  EXPECT_EQ(changed([](RunPlan&) {}), base);
  EXPECT_EQ(changed([](RunPlan& p) { p.entries[1].accessed = 99; }), base) << "reading a file is no change";
  EXPECT_NE(changed([](RunPlan& p) { p.entries[1].size = 6; }), base);
  EXPECT_NE(changed([](RunPlan& p) { p.entries[1].written = 4; }), base);
  EXPECT_NE(changed([](RunPlan& p) { p.entries[1].attributes |= 0x1; }), base);
  EXPECT_NE(changed([](RunPlan& p) { p.entries[1].relative = L"b.txt"; }), base);
  EXPECT_NE(changed([](RunPlan& p) { p.entries.pop_back(); }), base);
  EXPECT_NE(changed([](RunPlan& p) { p.targets[0].path = "C:\\Other\\Data"; }), base);
}

}  // namespace
}  // namespace zelk::plan

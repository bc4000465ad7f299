#include "plan/target_places.h"

#include <gtest/gtest.h>

namespace zelk::plan {
namespace {

TEST(TargetPlaces, EachTargetGetsItsOwnNameOrTheFirstFreeVariant) {
  std::vector<PlanTarget> targets = {
      {"C:\\a\\x.txt", false, {}, {}},   {"C:\\b\\x.txt", false, {}, {}},   {"C:\\c\\X.TXT", false, {}, {}},
      {"C:\\d\\Data", true, {}, {}},     {"E:\\Data", true, {}, {}},        {"C:\\e\\data", false, {}, {}},
      {"D:\\", true, {}, {}},            {"C:\\f\\x(2).txt", false, {}, {}}, {"C:\\g\\\x95\x5c", true, {}, {}},
      {"C:\\h\\\x95\x5c", true, {}, {}},
  };
  AssignPlaces(targets);
  const std::vector<std::string> places = {"x.txt",    "x(2).txt", "X(3).TXT", "Data", "Data(2)",
                                           "data(3)",  "D",        "x(2)(2).txt", "\x95\x5c", "\x95\x5c(2)"};
  ASSERT_EQ(targets.size(), places.size());
  for (std::size_t i = 0; i < places.size(); ++i) EXPECT_EQ(targets[i].place, places[i]) << targets[i].path;
}

}  // namespace
}  // namespace zelk::plan

// This test program links no string table: every text it asks for is one
// the table cannot give, as in a program built without it.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "text/string_table.h"

using zelk::text::Message;

TEST(StringTable, ATextThatCannotBeLoadedStillNamesItsIdTheReasonAndItsArguments) {
  const std::string text =
      zelk::text::ToText(Message::Of(IDS_WITH_REASON, Message::Of(IDS_DELETE_FAILED, "C:\\save\\x"), "busy"));
  const std::string inner = "#" + std::to_string(IDS_DELETE_FAILED) + "（";
  EXPECT_EQ(text.rfind("#" + std::to_string(IDS_WITH_REASON) + "（", 0), 0u) << text;
  const std::size_t at = text.find(inner);
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_GT(text.find("）", at + inner.size()), at + inner.size()) << "the system's reason is there: " << text;
  EXPECT_NE(text.find(" C:\\save\\x"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 5), " busy") << text;
}

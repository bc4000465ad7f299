#include "text/message.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using zelk::text::Message;
using zelk::text::Substitute;
using zelk::text::ToText;

TEST(MessageText, ArgumentsTakeTheirPlaces) {
  EXPECT_EQ(Substitute("%1の削除に%2", {"C:\\a", "失敗"}), "C:\\aの削除に失敗");
  EXPECT_EQ(Substitute("%2-%1-%2", {"a", "b"}), "b-a-b");
  EXPECT_EQ(Substitute("%1 %3", {"a"}), "a ") << "a missing argument is nothing";
  EXPECT_EQ(Substitute("100%% %x %", {}), "100% %x %");
  // Arguments are put in as they stand, never scanned again.
  EXPECT_EQ(Substitute("%1", {"%2"}), "%2");
}

TEST(MessageText, NestedMessagesAreMadeFromTheirOwnPatterns) {
  const std::map<unsigned, std::string> table{{1, "%1の削除に失敗しました"}, {2, "%1（%2）"}};
  const auto load = [&](unsigned id) { return table.at(id); };
  const Message m = Message::Of(1, Message::Of(2, "C:\\save", "アクセスが拒否されました"));
  EXPECT_EQ(ToText(m, load), "C:\\save（アクセスが拒否されました）の削除に失敗しました");
  EXPECT_EQ(ToText(Message("as it stands %1"), load), "as it stands %1");
  EXPECT_TRUE(Message().empty());
  EXPECT_FALSE(Message::Of(1).empty());
}

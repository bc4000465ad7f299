// A text named by its string-table id with its arguments. Operations that
// fail hand one back; the text itself is made from the string table when it
// is shown (text/string_table.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelk::text {

struct Message {
  Message() = default;
  Message(std::string plain) : text(std::move(plain)) {}  // NOLINT: a text as it stands
  Message(const char* plain) : text(plain) {}             // NOLINT

  // The table's text `stringId` with %1, %2, ... taken by args in order;
  // an argument is a text or a message of its own.
  template <class... Args>
  static Message Of(unsigned stringId, Args&&... args) {
    Message m;
    m.id = stringId;
    (m.args.emplace_back(std::forward<Args>(args)), ...);
    return m;
  }

  bool empty() const { return id == 0 && text.empty(); }

  unsigned id = 0;  // 0: `text` as it stands
  std::string text;
  std::vector<Message> args;
};

// pattern with %1 ... %9 replaced by args (missing ones by nothing) and "%%"
// by "%"; any other '%' stays.
std::string Substitute(std::string_view pattern, const std::vector<std::string>& args);

// The message as text, the patterns of its ids given by load.
std::string ToText(const Message& message, const std::function<std::string(unsigned)>& load);

// Applies edit to every text of the message that stands as it is (paths,
// reasons), arguments included.
void EditPlainTexts(Message& message, const std::function<void(std::string&)>& edit);

}  // namespace zelk::text

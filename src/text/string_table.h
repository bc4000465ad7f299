// Texts from the string table of the running program (src/res/strings.rc),
// in the ANSI code page. Windows build only.
#pragma once

#include <string>
#include <utility>

#include "text/message.h"

namespace zelk::text {

// The text of the string-table id; empty when there is none.
std::string LoadText(unsigned id);

// The message with its arguments put in.
std::string ToText(const Message& message);

// The text of id with %1, %2, ... taken by args.
template <class... Args>
std::string Format(unsigned id, Args&&... args) {
  return ToText(Message::Of(id, std::forward<Args>(args)...));
}

}  // namespace zelk::text

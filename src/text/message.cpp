#include "text/message.h"

#include "text/mbcs.h"

namespace zelk::text {

std::string Substitute(std::string_view pattern, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    // A double-byte character is copied whole: its trail byte may be '%'.
    if (CharLength(pattern, i) == 2) {
      out.append(pattern.substr(i, 2));
      ++i;
      continue;
    }
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    const char next = pattern[i + 1];
    if (next == '%') {
      out += '%';
      ++i;
    } else if (next >= '1' && next <= '9') {
      const std::size_t n = static_cast<std::size_t>(next - '1');
      if (n < args.size()) out += args[n];
      ++i;
    } else {
      out += '%';
    }
  }
  return out;
}

std::string ToText(const Message& message, const std::function<std::string(unsigned)>& load) {
  if (message.id == 0) return message.text;
  std::vector<std::string> args;
  args.reserve(message.args.size());
  for (const Message& arg : message.args) args.push_back(ToText(arg, load));
  return Substitute(load(message.id), args);
}

void EditPlainTexts(Message& message, const std::function<void(std::string&)>& edit) {
  if (message.id == 0) edit(message.text);
  for (Message& arg : message.args) EditPlainTexts(arg, edit);
}

}  // namespace zelk::text

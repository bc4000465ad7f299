// A message box as a test saw it: text, caption and MB_ flags.
#pragma once

#include <ostream>
#include <string>

namespace zelk::testing {

struct Box {
  std::string text;
  std::string caption;
  unsigned flags = 0;
  bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << "{" << box.text << " | " << box.caption << " | " << box.flags << "}";
}

}  // namespace zelk::testing

// The three ways a row's mark can be changed from the list: pause, resume and
// reverse. Only the four known marks change; any other value stays as it is.
#pragma once

namespace zelk::targets {

enum class MarkChange { Pause, Resume, Reverse };

// The mark that `change` turns `mark` into. Pause clears the active bit,
// Resume sets it, Reverse flips it; the folder bit is kept. Values outside
// 0..3 come back unchanged.
constexpr int ApplyMarkChange(int mark, MarkChange change) {
  if (mark < 0 || mark > 3) return mark;
  switch (change) {
    case MarkChange::Pause: return mark & 1;
    case MarkChange::Resume: return mark | 2;
    case MarkChange::Reverse: return mark ^ 2;
  }
  return mark;
}

}  // namespace zelk::targets

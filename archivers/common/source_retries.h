// The waits of one archiver call before it tries a source again that another
// program holds (a sharing or lock violation): each source gets at most
// kTries tries about a second apart, and all waits of the call together stay
// within kCallBudgetMs. Used on the calling thread only.
#pragma once

#include <algorithm>
#include <functional>

namespace zelk::archivers {

class SourceRetries {
 public:
  static constexpr int kTries = 3;
  static constexpr unsigned kWaitMs = 1000;
  static constexpr unsigned kCallBudgetMs = 30000;

  // wait sleeps for the given milliseconds (tests count instead).
  explicit SourceRetries(std::function<void(unsigned)> wait, unsigned budgetMs = kCallBudgetMs)
      : wait_(std::move(wait)), left_(budgetMs) {}

  // Waits before another try of a source that has had triesMade tries;
  // false when it has had its tries or the call's budget is spent.
  bool WaitBeforeRetry(int triesMade) {
    if (triesMade >= kTries || left_ == 0) return false;
    const unsigned take = std::min(left_, kWaitMs);
    left_ -= take;
    wait_(take);
    return true;
  }
  unsigned LeftMs() const { return left_; }

 private:
  std::function<void(unsigned)> wait_;
  unsigned left_;
};

}  // namespace zelk::archivers

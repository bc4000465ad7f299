// The time one run (or one archiver call) may spend waiting to try a source
// again that another program holds (a sharing or lock violation): each
// source gets at most kTries tries about a second apart, and all waits
// together stay within the budget. Safe to share between threads. Portable.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>

namespace zelk::fileutil {

class RetryBudget {
 public:
  static constexpr int kTries = 3;
  static constexpr unsigned kWaitMs = 1000;
  static constexpr unsigned kBudgetMs = 30000;

  // wait sleeps for the given milliseconds (tests count instead).
  explicit RetryBudget(std::function<void(unsigned)> wait, unsigned budgetMs = kBudgetMs)
      : wait_(std::move(wait)), left_(budgetMs) {}

  // Waits before another try of a source that has had triesMade tries;
  // false when it has had its tries or the budget is spent.
  bool WaitBeforeRetry(int triesMade) {
    if (triesMade >= kTries) return false;
    unsigned left = left_.load();
    unsigned take = 0;
    do {
      if (left == 0) return false;
      take = std::min(left, kWaitMs);
    } while (!left_.compare_exchange_weak(left, left - take));
    wait_(take);
    return true;
  }
  unsigned LeftMs() const { return left_.load(); }

 private:
  std::function<void(unsigned)> wait_;
  std::atomic<unsigned> left_;
};

}  // namespace zelk::fileutil

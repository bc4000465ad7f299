// The time one run may spend waiting to try a locked source again: each
// source gets at most kTries tries about a second apart, and all waits of a
// run together stay within the budget. Shared by the copying threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>

namespace zelk::engine {

class RetryBudget {
 public:
  static constexpr int kTries = 3;
  static constexpr unsigned kWaitMs = 1000;
  static constexpr unsigned kRunBudgetMs = 30000;

  // wait sleeps for the given milliseconds (tests count instead).
  explicit RetryBudget(std::function<void(unsigned)> wait, unsigned budgetMs = kRunBudgetMs)
      : wait_(std::move(wait)), left_(budgetMs) {}

  // Waits before the next try; false when the run's budget is spent.
  bool WaitBeforeRetry() {
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

}  // namespace zelk::engine

// The job queue finishes jobs in the order queued whatever thread ran them,
// and each thread keeps one state from job to job.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ordered_jobs.h"

namespace zelk::archivers {
namespace {

std::atomic<int> statesMade{0};

struct CountingState : WorkerState {
  CountingState() { id = ++statesMade; }
  int id = 0;
  int jobs = 0;
};

class NumberJob : public Job {
 public:
  explicit NumberJob(int n) : number(n) {}
  void Run(std::unique_ptr<WorkerState>& state) override {
    CountingState& mine = StateOf<CountingState>(state);
    ++mine.jobs;
    stateId = mine.id;
    if (number % 7 == 3) throw std::runtime_error("job " + std::to_string(number));
  }
  std::size_t HeldBytes() const override { return 100; }
  int number;
  int stateId = 0;
};

TEST(OrderedJobs, FinishesInOrderWithOneStatePerThread) {
  for (int threads : {1, 2, 8}) {
    statesMade = 0;
    std::vector<int> finished;
    std::vector<std::string> failures;
    OrderedJobs jobs(threads, 5, 1000, [&](Job& job) {
      auto& n = static_cast<NumberJob&>(job);
      finished.push_back(n.number);
      if (job.failed()) failures.push_back(job.FailureText());
      EXPECT_GE(n.stateId, 1);
      return true;
    });
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(jobs.Submit(std::make_unique<NumberJob>(i)));
    ASSERT_TRUE(jobs.FinishAll());
    std::vector<int> expected(300);
    for (int i = 0; i < 300; ++i) expected[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(finished, expected) << threads << " threads";
    EXPECT_EQ(failures.size(), 43u);
    EXPECT_EQ(failures.front(), "job 3");
    EXPECT_GE(statesMade.load(), 1);
    EXPECT_LE(statesMade.load(), threads) << threads << " threads";
  }
}

TEST(OrderedJobs, AFinisherThatStopsDropsTheRest) {
  std::vector<int> finished;
  OrderedJobs jobs(2, 4, 1000, [&](Job& job) {
    finished.push_back(static_cast<NumberJob&>(job).number);
    return finished.size() < 10;
  });
  bool accepted = true;
  for (int i = 0; i < 100 && accepted; ++i) accepted = jobs.Submit(std::make_unique<NumberJob>(i * 7 + 1));
  EXPECT_FALSE(accepted);
  EXPECT_FALSE(jobs.FinishAll());
  EXPECT_EQ(finished.size(), 10u);
}

}  // namespace
}  // namespace zelk::archivers

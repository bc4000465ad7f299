#include "common/ordered_jobs.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <stdexcept>

namespace zelk::archivers {

std::string Job::FailureText() const {
  if (!failure_) return {};
  try {
    std::rethrow_exception(failure_);
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

OrderedJobs::OrderedJobs(int threads, std::size_t maxJobs, std::size_t maxBytes, Finisher finish)
    : threads_(std::max(threads, 1)),
      maxJobs_(threads_ > 1 ? std::max<std::size_t>(maxJobs, 1) : 1),
      maxBytes_(maxBytes),
      batch_(std::max<std::size_t>(maxJobs_ / 2, 1)),
      finish_(std::move(finish)) {
  if (threads_ > 1) {
    pool_.reserve(static_cast<std::size_t>(threads_));
    try {
      for (int i = 0; i < threads_; ++i) pool_.emplace_back(&OrderedJobs::Work, this);
    } catch (...) {
      StopPool();
      throw;
    }
  }
}

OrderedJobs::~OrderedJobs() { StopPool(); }

void OrderedJobs::StopPool() {
  {
    std::lock_guard lock(lock_);
    quit_ = true;
  }
  workReady_.WakeAll();
  for (std::thread& t : pool_) t.join();
  pool_.clear();
}

void OrderedJobs::RunJob(Job& job, std::unique_ptr<WorkerState>& state) {
  try {
    job.Run(state);
  } catch (...) {
    job.failure_ = std::current_exception();
  }
}

void OrderedJobs::Work() {
  std::unique_ptr<WorkerState> state;  // this thread's, kept between jobs
  std::unique_lock lock(lock_);
  for (;;) {
    ++idle_;
    workReady_.WaitUntil(lock_, [this] { return quit_ || started_ < queue_.size(); });
    --idle_;
    if (quit_) return;
    Job* job = queue_[started_++].get();
    lock.unlock();
    RunJob(*job, state);
    lock.lock();
    job->done_ = true;
    if (awaited_ > 0 && FrontReady()) jobDone_.WakeAll();
  }
}

std::size_t OrderedJobs::DoneAtFront() const {
  std::size_t n = 0;
  while (n < queue_.size() && queue_[n]->done_) ++n;
  return n;
}

// Small jobs are finished in batches, to wake the queueing thread less
// often; a large one (a piece of a large file) at once, since its result
// may decide what happens to the pieces queued after it.
bool OrderedJobs::FrontReady() const {
  const std::size_t done = DoneAtFront();
  return done >= awaited_ || (done > 0 && queue_.front()->held_ >= kLargeJob);
}

bool OrderedJobs::Submit(std::unique_ptr<Job> job) {
  if (stopped_) return false;
  const std::size_t bytes = job->HeldBytes();
  job->held_ = bytes;
  for (;;) {
    std::size_t queued = 0;
    std::size_t held = 0;
    {
      std::lock_guard lock(lock_);
      queued = queue_.size();
      held = heldBytes_;
    }
    if (queued == 0 || (queued < maxJobs_ && held + bytes <= maxBytes_)) break;
    if (!FinishDone(batch_)) return false;
  }
  if (pool_.empty()) {
    RunJob(*job, callerState_);
    job->done_ = true;
    std::lock_guard lock(lock_);
    heldBytes_ += bytes;
    queue_.push_back(std::move(job));
    ++started_;
  } else {
    bool wake = false;
    {
      std::lock_guard lock(lock_);
      heldBytes_ += bytes;
      queue_.push_back(std::move(job));
      wake = idle_ > 0;
    }
    if (wake) workReady_.WakeOne();
  }
  // One thread: finish at once, so that nothing waits in the queue.
  return pool_.empty() ? FinishDone(1) : true;
}

// Waits until the first want jobs (or all queued ones) are done, then
// finishes every done job at the front.
bool OrderedJobs::FinishDone(std::size_t want) {
  std::vector<std::unique_ptr<Job>> taken;  // local, so that a finisher may queue again
  {
    std::unique_lock lock(lock_);
    if (queue_.empty()) return !stopped_;
    awaited_ = std::min(want, queue_.size());
    jobDone_.WaitUntil(lock_, [this] { return FrontReady(); });
    awaited_ = 0;
    while (!queue_.empty() && queue_.front()->done_) {
      heldBytes_ -= queue_.front()->held_;
      taken.push_back(std::move(queue_.front()));
      queue_.pop_front();
      --started_;
    }
  }
  for (std::unique_ptr<Job>& job : taken) {
    if (!stopped_ && !finish_(*job)) stopped_ = true;
    job.reset();
  }
  return !stopped_;
}

bool OrderedJobs::FinishAll() {
  for (;;) {
    {
      std::lock_guard lock(lock_);
      if (queue_.empty()) return !stopped_;
    }
    if (!FinishDone(batch_)) return false;
  }
}

}  // namespace zelk::archivers

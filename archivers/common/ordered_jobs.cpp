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
    workReady_.WaitUntil(lock_, [this] { return quit_ || started_ < queue_.size(); });
    if (quit_) return;
    Job* job = queue_[started_++].get();
    lock.unlock();
    RunJob(*job, state);
    lock.lock();
    job->done_ = true;
    // The queueing thread waits for the front job only.
    if (job == queue_.front().get()) jobDone_.WakeAll();
  }
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
    if (!FinishFront()) return false;
  }
  if (pool_.empty()) {
    RunJob(*job, callerState_);
    job->done_ = true;
    std::lock_guard lock(lock_);
    heldBytes_ += bytes;
    queue_.push_back(std::move(job));
    ++started_;
  } else {
    {
      std::lock_guard lock(lock_);
      heldBytes_ += bytes;
      queue_.push_back(std::move(job));
    }
    workReady_.WakeOne();
  }
  // One thread: finish at once, so that nothing waits in the queue.
  return pool_.empty() ? FinishFront() : true;
}

bool OrderedJobs::FinishFront() {
  std::unique_ptr<Job> job;
  {
    std::unique_lock lock(lock_);
    if (queue_.empty()) return !stopped_;
    jobDone_.WaitUntil(lock_, [this] { return queue_.front()->done_; });
    job = std::move(queue_.front());
    queue_.pop_front();
    --started_;
    heldBytes_ -= job->held_;
  }
  if (stopped_) return false;
  if (!finish_(*job)) stopped_ = true;
  return !stopped_;
}

bool OrderedJobs::FinishAll() {
  for (;;) {
    {
      std::lock_guard lock(lock_);
      if (queue_.empty()) return !stopped_;
    }
    if (!FinishFront()) return false;
  }
}

}  // namespace zelk::archivers

// Runs jobs on a pool of threads and finishes them one by one, in the order
// they were queued, on the thread that queues them. The queue is bounded in
// jobs and in bytes, so memory stays the same whatever is fed through it.
// A full queue of small jobs is emptied by half before the queueing thread
// goes on, so that it sleeps and is woken once per several jobs, not once
// per job.
// With one thread no pool is started: each job runs and is finished at once,
// as plain sequential code would.
#pragma once

#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/wait_lock.h"

namespace zelk::archivers {

// What one thread keeps from job to job, such as a compressor's memory:
// made by the first job that needs it on that thread (StateOf), dropped when
// the jobs end. The jobs of one OrderedJobs share one kind of state.
class WorkerState {
 public:
  virtual ~WorkerState() = default;
};

template <typename State>
State& StateOf(std::unique_ptr<WorkerState>& state) {
  if (!state) state = std::make_unique<State>();
  return static_cast<State&>(*state);
}

class Job {
 public:
  virtual ~Job() = default;
  // The work; on a pool thread, with that thread's state. An exception it
  // throws is kept, and the job is then finished as failed.
  virtual void Run(std::unique_ptr<WorkerState>& state) = 0;
  // Memory the job holds while queued (its input and the room for its output).
  virtual std::size_t HeldBytes() const = 0;

  bool failed() const { return failure_ != nullptr; }
  // The reason of a failed job, from the exception it threw.
  std::string FailureText() const;

 private:
  friend class OrderedJobs;
  std::exception_ptr failure_;
  bool done_ = false;
  std::size_t held_ = 0;
};

// How compression work is spread over threads.
struct ParallelOptions {
  int threads = 1;  // compressing threads; 1 runs everything on the caller's thread
  // Called on the compressing thread before entry number `entry` (counted
  // from 0 in one writer) is compressed; tests make it throw to model a
  // failing worker.
  std::function<void(std::size_t entry)> beforeCompress;
};

class OrderedJobs {
 public:
  // Finishes one job on the queueing thread; false stops: no further job is
  // finished and the rest are dropped.
  using Finisher = std::function<bool(Job&)>;

  OrderedJobs(int threads, std::size_t maxJobs, std::size_t maxBytes, Finisher finish);
  ~OrderedJobs();
  OrderedJobs(const OrderedJobs&) = delete;
  OrderedJobs& operator=(const OrderedJobs&) = delete;

  // Queues a job, first finishing the oldest ones while the queue is full.
  // False once a finisher has stopped (the job is dropped).
  bool Submit(std::unique_ptr<Job> job);
  // Finishes every queued job; false when a finisher stopped.
  bool FinishAll();
  int threads() const { return threads_; }

 private:
  bool FinishDone(std::size_t want);
  std::size_t DoneAtFront() const;
  bool FrontReady() const;
  void Work();
  void StopPool();
  static void RunJob(Job& job, std::unique_ptr<WorkerState>& state);

  static constexpr std::size_t kLargeJob = 256u << 10;  // held bytes

  const int threads_;
  const std::size_t maxJobs_;
  const std::size_t maxBytes_;
  const std::size_t batch_;  // jobs finished at a time when the queue is full
  Finisher finish_;
  bool stopped_ = false;  // a finisher said stop
  std::unique_ptr<WorkerState> callerState_;  // of jobs run on the queueing thread

  WaitLock lock_;  // guards what follows
  WaitCondition workReady_;
  WaitCondition jobDone_;
  std::deque<std::unique_ptr<Job>> queue_;  // queue order; the front is finished next
  std::size_t started_ = 0;                 // queue_[0..started_) are taken by the pool
  std::size_t heldBytes_ = 0;
  std::size_t idle_ = 0;       // pool threads waiting for work
  std::size_t awaited_ = 0;    // done jobs at the front the queueing thread waits for; 0: it does not wait
  bool quit_ = false;
  std::vector<std::thread> pool_;
};

}  // namespace zelk::archivers

// A lock and conditions to wait on, for the job queue. This toolchain's
// standard mutex and condition variable wait on kernel semaphores and
// events: under Wine every wait and every wake is a round trip to the
// wineserver, more than the file calls of a small file cost. The Windows
// build uses the slim reader/writer lock and condition variables instead,
// which wait inside the process; other builds use the standard ones.
#pragma once

#include <memory>

namespace zelk::archivers {

class WaitLock {
 public:
  WaitLock();
  ~WaitLock();
  WaitLock(const WaitLock&) = delete;
  WaitLock& operator=(const WaitLock&) = delete;

  // Lockable, for std::lock_guard and std::unique_lock.
  void lock();
  void unlock();

 private:
  friend class WaitCondition;
  struct State;
  std::unique_ptr<State> state_;
};

class WaitCondition {
 public:
  WaitCondition();
  ~WaitCondition();
  WaitCondition(const WaitCondition&) = delete;
  WaitCondition& operator=(const WaitCondition&) = delete;

  // With held locked: sleeps until woken, without the lock meanwhile.
  void Wait(WaitLock& held);
  template <typename Done>
  void WaitUntil(WaitLock& held, Done done) {
    while (!done()) Wait(held);
  }
  void WakeOne();
  void WakeAll();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zelk::archivers

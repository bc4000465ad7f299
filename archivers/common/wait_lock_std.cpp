#include <condition_variable>
#include <mutex>

#include "common/wait_lock.h"

namespace zelk::archivers {

struct WaitLock::State {
  std::mutex mutex;
};

WaitLock::WaitLock() : state_(std::make_unique<State>()) {}
WaitLock::~WaitLock() = default;
void WaitLock::lock() { state_->mutex.lock(); }
void WaitLock::unlock() { state_->mutex.unlock(); }

struct WaitCondition::State {
  std::condition_variable condition;
};

WaitCondition::WaitCondition() : state_(std::make_unique<State>()) {}
WaitCondition::~WaitCondition() = default;

void WaitCondition::Wait(WaitLock& held) {
  // The caller holds the mutex: the wait takes it over and leaves it held.
  std::unique_lock<std::mutex> lock(held.state_->mutex, std::adopt_lock);
  state_->condition.wait(lock);
  lock.release();
}
void WaitCondition::WakeOne() { state_->condition.notify_one(); }
void WaitCondition::WakeAll() { state_->condition.notify_all(); }

}  // namespace zelk::archivers

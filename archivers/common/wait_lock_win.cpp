#include <windows.h>

#include "common/wait_lock.h"

namespace zelk::archivers {

struct WaitLock::State {
  SRWLOCK lock = SRWLOCK_INIT;
};

WaitLock::WaitLock() : state_(std::make_unique<State>()) {}
WaitLock::~WaitLock() = default;
void WaitLock::lock() { AcquireSRWLockExclusive(&state_->lock); }
void WaitLock::unlock() { ReleaseSRWLockExclusive(&state_->lock); }

struct WaitCondition::State {
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

WaitCondition::WaitCondition() : state_(std::make_unique<State>()) {}
WaitCondition::~WaitCondition() = default;

void WaitCondition::Wait(WaitLock& held) {
  SleepConditionVariableSRW(&state_->condition, &held.state_->lock, INFINITE, 0);
}
void WaitCondition::WakeOne() { WakeConditionVariable(&state_->condition); }
void WaitCondition::WakeAll() { WakeAllConditionVariable(&state_->condition); }

}  // namespace zelk::archivers

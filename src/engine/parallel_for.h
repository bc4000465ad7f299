// Work spread over a few threads: work(index, worker) for every index below
// count, each index once, taken in rising order; worker tells the thread
// (0 .. threads-1), so each may keep its own buffers. stop set by any call
// ends the rest early. An exception of a call stops the others and comes
// back out of ParallelFor. One thread runs everything on the caller's.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zelk::engine {

inline void ParallelFor(std::size_t count, int threads, const std::function<void(std::size_t, int)>& work,
                        std::atomic<bool>& stop) {
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  auto run = [&](int worker) {
    for (std::size_t i = next++; i < count && !stop; i = next++) {
      try {
        work(i, worker);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
    }
  };
  const int helpers = count > 1 ? std::max(threads, 1) - 1 : 0;
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(helpers));
  try {
    for (int w = 1; w <= helpers; ++w) pool.emplace_back(run, w);
  } catch (...) {
    // No more threads could be had: those started and this one share the work.
  }
  run(0);
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace zelk::engine

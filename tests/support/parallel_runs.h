// Thread counts the archiver tests compare, and a compressing worker that
// fails on a chosen entry, for the writers' ParallelOptions.
#pragma once

#include <cstddef>
#include <random>
#include <stdexcept>
#include <string>

#include "common/ordered_jobs.h"

namespace zelk::testing {

// One thread (everything on the caller's), the two cores of a small PC, and
// more threads than entries in flight.
inline constexpr int kThreadCounts[] = {1, 2, 8};

inline archivers::ParallelOptions Threads(int threads) {
  archivers::ParallelOptions p;
  p.threads = threads;
  return p;
}

// Workers fail with "worker failed" when they reach entry `failing`.
inline archivers::ParallelOptions FailingAtEntry(int threads, std::size_t failing) {
  archivers::ParallelOptions p = Threads(threads);
  p.beforeCompress = [failing](std::size_t entry) {
    if (entry == failing) throw std::runtime_error("worker failed");
  };
  return p;
}

// `block` seeded random bytes repeated up to `size`: every match is exactly
// `block` bytes back, so it crosses each chunk boundary of the writers.
inline std::string RepeatedRandomBlock(std::size_t block, std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string unit(block, '\0');
  for (char& c : unit) c = static_cast<char>(rng());
  std::string s;
  s.reserve(size + block);
  while (s.size() < size) s += unit;
  s.resize(size);
  return s;
}

}  // namespace zelk::testing

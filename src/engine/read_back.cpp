#include "engine/read_back.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "engine/file_copy.h"
#include "engine/parallel_for.h"

namespace zelk::engine {

std::optional<std::wstring> FirstUnlikeFile(std::vector<CopiedFile> copied, int threads) {
  std::sort(copied.begin(), copied.end(), [](const CopiedFile& a, const CopiedFile& b) { return a.path < b.path; });
  std::atomic<bool> stop{false};
  std::mutex lock;
  std::optional<std::size_t> first;
  ParallelFor(copied.size(), threads, [&](std::size_t i, int) {
    const std::optional<checksum::Digest> read = ReadBackDigest(copied[i].path);
    if (read && *read == copied[i].digest) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!first || i < *first) first = i;
  }, stop);
  if (!first) return std::nullopt;
  return copied[*first].path;
}

}  // namespace zelk::engine

#include "format/huffman.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace zelk::lzh {

namespace {
constexpr int kMaxSymbols = 1024;
constexpr int kMaxNodes = 2 * kMaxSymbols - 1;
}  // namespace

int BuildCodeLengths(const std::uint32_t* freq, int count, int maxLength, std::uint8_t* lengths) {
  assert(count <= kMaxSymbols && maxLength >= 1 && maxLength <= 30);
  // Every block builds three codes: the tables live on the stack, and only
  // their used parts are written.
  // Leaves sorted by frequency (then symbol, for a stable result).
  std::array<int, kMaxSymbols> leaves;
  int used = 0;
  for (int i = 0; i < count; ++i) {
    lengths[i] = 0;
    leaves[used] = i;
    used += freq[i] != 0 ? 1 : 0;
  }
  if (used < 2) return used;
  std::sort(leaves.begin(), leaves.begin() + used, [freq](int a, int b) {
    return freq[a] != freq[b] ? freq[a] < freq[b] : a < b;
  });

  // Two-queue construction: leaves in order, internal nodes appear in
  // nondecreasing weight. Node ids: 0..used-1 leaves, used.. internal.
  const int nodes = 2 * used - 1;
  std::array<std::uint64_t, kMaxNodes> weight;
  std::array<int, kMaxNodes> parent;
  for (int i = 0; i < used; ++i) weight[i] = freq[leaves[i]];
  int nextLeaf = 0;
  int nextInternal = used;
  int created = used;
  auto takeSmallest = [&]() {
    if (nextLeaf < used && (nextInternal >= created ||
                            weight[nextLeaf] <= weight[nextInternal]))
      return nextLeaf++;
    return nextInternal++;
  };
  while (created < nodes) {
    const int a = takeSmallest();
    const int b = takeSmallest();
    weight[created] = weight[a] + weight[b];
    parent[a] = created;
    parent[b] = created;
    ++created;
  }
  // Depths: the root is the last node; parents always have larger ids.
  std::array<int, kMaxNodes> depth;
  depth[nodes - 1] = 0;
  for (int i = nodes - 2; i >= 0; --i)
    depth[i] = depth[parent[i]] + 1;

  std::array<int, kMaxSymbols + 1> perLength;
  std::fill_n(perLength.begin(), used + 1, 0);
  int deepest = 0;
  for (int i = 0; i < used; ++i) {
    ++perLength[depth[i]];
    deepest = std::max(deepest, depth[i]);
  }
  // Bring the tree down to maxLength keeping it complete: two leaves at the
  // deepest level go up one level as one leaf, and a shallower leaf splits
  // into two one level deeper.
  for (int len = deepest; len > maxLength; --len) {
    while (perLength[len] > 0) {
      int j = len - 2;
      while (perLength[j] == 0) --j;
      perLength[len] -= 2;
      perLength[len - 1] += 1;
      perLength[j + 1] += 2;
      perLength[j] -= 1;
    }
  }
  // Longest codes to the rarest symbols.
  int leaf = 0;
  for (int len = std::min(deepest, maxLength); len >= 1; --len)
    for (int k = 0; k < perLength[len]; ++k)
      lengths[leaves[leaf++]] = static_cast<std::uint8_t>(len);
  return used;
}

void BuildCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
  std::array<unsigned, 18> perLength{};
  for (int i = 0; i < count; ++i) ++perLength[lengths[i]];
  perLength[0] = 0;
  std::array<unsigned, 18> next{};
  unsigned code = 0;
  for (int len = 1; len <= 16; ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
  }
  for (int i = 0; i < count; ++i)
    codes[i] = lengths[i] != 0 ? static_cast<std::uint16_t>(next[lengths[i]]++) : std::uint16_t{0};
}

}  // namespace zelk::lzh

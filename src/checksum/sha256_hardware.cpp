// SHA-256 blocks on the SHA extensions of x86-64 processors. The state is
// kept as the instructions want it, ABEF and CDGH; each step of the loop
// makes four words of the schedule and runs four rounds.
#include "checksum/sha256_blocks.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>

#include "checksum/sha256_rounds.h"

namespace zelk::checksum {
namespace {

bool HasShaInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c & bit_SSSE3) != 0, sse41 = (c & bit_SSE4_1) != 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return ssse3 && sse41 && (b & bit_SHA) != 0;
}

__attribute__((target("sha,sse4.1,ssse3"))) void Blocks(std::uint32_t state[8], const std::uint8_t* data,
                                                         std::size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[4];
    for (int j = 0; j < 16; ++j) {
      if (j < 4) {
        w[j] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * j)), byteSwap);
      } else {
        const __m128i t = _mm_add_epi32(_mm_sha256msg1_epu32(w[(j - 4) & 3], w[(j - 3) & 3]),
                                        _mm_alignr_epi8(w[(j - 1) & 3], w[(j - 2) & 3], 4));
        w[j & 3] = _mm_sha256msg2_epu32(t, w[(j - 1) & 3]);
      }
      const __m128i k =
          _mm_add_epi32(w[j & 3], _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256Round + 4 * j)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(k, 0x0E));
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  dcba = _mm_blend_epi16(feba, dchg, 0xF0);
  hgfe = _mm_alignr_epi8(dchg, feba, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
}

}  // namespace

bool Sha256BlocksHardware(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
  static const bool has = HasShaInstructions();
  if (!has) return false;
  Blocks(state, data, blocks);
  return true;
}

}  // namespace zelk::checksum

#else

namespace zelk::checksum {
bool Sha256BlocksHardware(std::uint32_t*, const std::uint8_t*, std::size_t) { return false; }
}  // namespace zelk::checksum

#endif

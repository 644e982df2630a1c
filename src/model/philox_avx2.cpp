// The research generator four counters at a time (compiled for AVX2).
#include "model/philox_lanes.h"

#if defined(SPI_PHILOX_X86)

#include "model/philox_rounds.h"

#include <immintrin.h>

namespace spi::philox {

namespace {

struct Avx2 {
    using V = __m256i;
    static constexpr int kLanes = 4;
    static V Set(std::uint64_t x) { return _mm256_set1_epi64x(static_cast<long long>(x)); }
    static V Iota(std::uint64_t c) {
        return _mm256_add_epi64(Set(c), _mm256_setr_epi64x(0, 1, 2, 3));
    }
    static V High(V x) { return _mm256_srli_epi64(x, 32); }
    static V Mul(V x, V m) { return _mm256_mul_epu32(x, m); }
    static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
    static V Xor3(V a, V b, V c) { return Xor(Xor(a, b), c); }
    // The top 53 bits of (high word, low word), each the low half of its lane.
    static V Bits(V high, V low) {
        const V joined = _mm256_blend_epi32(_mm256_slli_epi64(high, 32), low, 0x55);
        return _mm256_srli_epi64(joined, 11);
    }
    static void Store(std::uint64_t *to, V x) { _mm256_storeu_si256(reinterpret_cast<V *>(to), x); }
};

} // namespace

std::size_t FillAvx2(std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                     std::size_t count, std::uint64_t *even, std::uint64_t *odd) {
    return Fill<Avx2, 4>(seed, stream, counter, count, even, odd);
}

} // namespace spi::philox

#endif

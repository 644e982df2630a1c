// The research generator eight counters at a time (compiled for AVX-512).
#include "model/philox_lanes.h"

#if defined(SPI_PHILOX_X86)

#include "model/philox_rounds.h"

// GCC 12 takes the undefined vectors inside the AVX-512 intrinsics for uninitialised ones.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

namespace spi::philox {

namespace {

struct Avx512 {
    using V = __m512i;
    static constexpr int kLanes = 8;
    static V Set(std::uint64_t x) { return _mm512_set1_epi64(static_cast<long long>(x)); }
    static V Iota(std::uint64_t c) {
        return _mm512_add_epi64(Set(c), _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 6, 7));
    }
    static V High(V x) { return _mm512_srli_epi64(x, 32); }
    static V Mul(V x, V m) { return _mm512_mul_epu32(x, m); }
    static V Xor(V a, V b) { return _mm512_xor_si512(a, b); }
    static V Xor3(V a, V b, V c) { return _mm512_ternarylogic_epi64(a, b, c, 0x96); }
    // The low word of high over the high word of low, in one masked shuffle.
    static V Bits(V high, V low) {
        const V joined = _mm512_mask_shuffle_epi32(low, 0xAAAA, high, _MM_PERM_CDAB);
        return _mm512_srli_epi64(joined, 11);
    }
    static void Store(std::uint64_t *to, V x) { _mm512_storeu_si512(to, x); }
};

} // namespace

std::size_t FillAvx512(std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                       std::size_t count, std::uint64_t *even, std::uint64_t *odd) {
    return Fill<Avx512, 4>(seed, stream, counter, count, even, odd);
}

} // namespace spi::philox

#endif

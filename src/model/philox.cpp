#include "model/philox.h"

#include <Random123/philox.h>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define SPI_PHILOX_AVX2 1
#endif

namespace spi {

std::array<std::uint32_t, 4> PhiloxDraws::PhiloxBlock(std::uint32_t seed, std::uint32_t stream,
                                                      std::uint64_t counter) {
    const r123::Philox4x32::key_type key = {{seed, stream}};
    const r123::Philox4x32::ctr_type ctr = {
        {static_cast<std::uint32_t>(counter), static_cast<std::uint32_t>(counter >> 32), 0, 0}};
    const r123::Philox4x32::ctr_type out = r123::Philox4x32()(ctr, key);
    return {out[0], out[1], out[2], out[3]};
}

void PhiloxDraws::Draws(std::uint32_t seed, std::uint32_t stream, std::uint64_t first,
                        std::size_t count, double *out) {
    if (count % 16 == 0 && PhiloxWideAvailable())
        PhiloxDrawsWide(seed, stream, first, count, out);
    else
        PhiloxDrawsPortable(seed, stream, first, count, out);
}

#if defined(SPI_PHILOX_AVX2)

namespace {

// The generator's multipliers and key increments (those of the library's Philox4x32).
constexpr std::uint32_t kMul0 = 0xD2511F53u, kMul1 = 0xCD9E8D57u;
constexpr std::uint32_t kWeyl0 = 0x9E3779B9u, kWeyl1 = 0xBB67AE85u;

// The high and low words of the eight products m * x.
[[gnu::target("avx2")]] void MulHiLo(__m256i x, __m256i m, __m256i &hi, __m256i &lo) {
    const __m256i even = _mm256_mul_epu32(x, m);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), m);
    hi = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    lo = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
}

// Draws of eight counters' word pairs (high, low) as doubles: high * 2^-32 + (low >> 11) * 2^-53,
// exact, the same as PhiloxUnit. The words are unsigned: flipped to signed for the conversion.
[[gnu::target("avx2")]] void Units(__m256i high, __m256i low, double *to) {
    const __m256i flip = _mm256_set1_epi32(static_cast<int>(0x80000000u));
    const __m256i h = _mm256_xor_si256(high, flip);
    const __m256i l = _mm256_srli_epi32(low, 11);
    const __m256d half = _mm256_set1_pd(2147483648.0);
    const __m256d hiScale = _mm256_set1_pd(1.0 / 4294967296.0);
    const __m256d loScale = _mm256_set1_pd(1.0 / 9007199254740992.0);
    for (int part = 0; part < 2; ++part) {
        const __m128i hp = part ? _mm256_extracti128_si256(h, 1) : _mm256_castsi256_si128(h);
        const __m128i lp = part ? _mm256_extracti128_si256(l, 1) : _mm256_castsi256_si128(l);
        const __m256d a = _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(hp), half), hiScale);
        const __m256d b = _mm256_mul_pd(_mm256_cvtepi32_pd(lp), loScale);
        _mm256_storeu_pd(to + 4 * part, _mm256_add_pd(a, b));
    }
}

} // namespace

bool PhiloxWideAvailable() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

// Two groups of eight counters side by side: each round waits for its products, and the other
// group's work fills the wait. The keys of the ten rounds are set once per call.
[[gnu::target("avx2")]] void PhiloxDrawsWide(std::uint32_t seed, std::uint32_t stream,
                                             std::uint64_t first, std::size_t count, double *out) {
    constexpr int kGroups = 2;
    const __m256i m0 = _mm256_set1_epi64x(kMul0), m1 = _mm256_set1_epi64x(kMul1);
    __m256i key0[10], key1[10];
    for (std::uint32_t r = 0; r < 10; ++r) {
        key0[r] = _mm256_set1_epi32(static_cast<int>(seed + r * kWeyl0));
        key1[r] = _mm256_set1_epi32(static_cast<int>(stream + r * kWeyl1));
    }
    for (std::size_t done = 0; done < count;) {
        const std::size_t groups = count - done >= 16 * kGroups ? kGroups : 1;
        __m256i x0[kGroups], x1[kGroups], x2[kGroups], x3[kGroups];
        for (std::size_t g = 0; g < groups; ++g) {
            alignas(32) std::uint32_t lowCounter[8], highCounter[8];
            for (std::size_t j = 0; j < 8; ++j) {
                const std::uint64_t c = (first + done) / 2 + 8 * g + j;
                lowCounter[j] = static_cast<std::uint32_t>(c);
                highCounter[j] = static_cast<std::uint32_t>(c >> 32);
            }
            x0[g] = _mm256_load_si256(reinterpret_cast<const __m256i *>(lowCounter));
            x1[g] = _mm256_load_si256(reinterpret_cast<const __m256i *>(highCounter));
            x2[g] = x3[g] = _mm256_setzero_si256();
        }
        for (int r = 0; r < 10; ++r)
            for (std::size_t g = 0; g < groups; ++g) {
                __m256i hi0, lo0, hi1, lo1;
                MulHiLo(x0[g], m0, hi0, lo0);
                MulHiLo(x2[g], m1, hi1, lo1);
                x0[g] = _mm256_xor_si256(_mm256_xor_si256(hi1, x1[g]), key0[r]);
                x1[g] = lo1;
                x2[g] = _mm256_xor_si256(_mm256_xor_si256(hi0, x3[g]), key1[r]);
                x3[g] = lo0;
            }
        for (std::size_t g = 0; g < groups; ++g, done += 16) {
            alignas(32) double even[8], odd[8];
            Units(x0[g], x1[g], even);
            Units(x2[g], x3[g], odd);
            for (std::size_t j = 0; j < 8; ++j) {
                out[done + 2 * j] = even[j];
                out[done + 2 * j + 1] = odd[j];
            }
        }
    }
}

#else

bool PhiloxWideAvailable() {
    return false;
}

void PhiloxDrawsWide(std::uint32_t seed, std::uint32_t stream, std::uint64_t first,
                     std::size_t count, double *out) {
    PhiloxDrawsPortable(seed, stream, first, count, out);
}

#endif

} // namespace spi

#include "chain/source_bits.h"

#include "model/random.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define SPI_SOURCE_AVX2 1
#endif

namespace spi {

namespace {

constexpr int kGroup = 32;
constexpr auto kSteps = StepsUpTo<kGroup>();

// count bits (up to kGroup) from the seed before them, each handed to put(i, bit).
template <class Put>
[[gnu::always_inline]] inline void PortableGroup(std::uint32_t &seed, std::uint64_t below, Put put,
                                                 int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        for (std::size_t j = 0; j < 8; ++j)
            put(i + static_cast<int>(j), kSteps[j + 1](seed) < below ? 1 : 0);
        seed = kSteps[8](seed);
    }
    const auto rest = static_cast<std::size_t>(count - i);
    for (std::size_t j = 0; j < rest; ++j)
        put(i + static_cast<int>(j), kSteps[j + 1](seed) < below ? 1 : 0);
    seed = kSteps[rest](seed);
}

void PortableGroup(std::uint32_t &seed, std::uint64_t below, std::uint8_t *out, int count) {
    PortableGroup(
        seed, below, [out](int i, int bit) { out[i] = static_cast<std::uint8_t>(bit); }, count);
}

#if defined(SPI_SOURCE_AVX2)
// The multipliers and increments of draws 1 .. kGroup, the increments with 2^31 added so that the
// draws come out ready for the signed comparison (x < t unsigned is x ^ 2^31 < t ^ 2^31 signed).
constexpr std::uint32_t kFlip = 0x80000000u;
template <bool kAdd> constexpr std::array<std::uint32_t, kGroup> Column() {
    std::array<std::uint32_t, kGroup> c{};
    for (std::size_t j = 0; j < kGroup; ++j)
        c[j] = kAdd ? kSteps[j + 1].add + kFlip : kSteps[j + 1].mul;
    return c;
}
alignas(32) constexpr auto kMul = Column<false>();
alignas(32) constexpr auto kAddFlipped = Column<true>();

// Bit i of a byte to byte i of eight, in memory order (little-endian, as x86-64 is).
constexpr auto kBitBytes = [] {
    std::array<std::uint64_t, 256> t{};
    for (std::size_t x = 0; x < 256; ++x)
        for (std::size_t b = 0; b < 8; ++b)
            t[x] |= std::uint64_t{(x >> b) & 1} << (8 * b);
    return t;
}();

[[gnu::target("avx2")]] void Avx2Bits(std::uint32_t &seed, std::uint64_t below, std::uint8_t *out,
                                      int count) {
    int i = 0;
    if (below <= 0xFFFFFFFFu) {
        const __m256i t =
            _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(below) ^ kFlip));
        for (; i + kGroup <= count; i += kGroup) {
            const __m256i s = _mm256_set1_epi32(static_cast<int>(seed));
            for (int j = 0; j < kGroup; j += 8) {
                const auto at = static_cast<std::size_t>(j);
                const __m256i x = _mm256_add_epi32(
                    _mm256_mullo_epi32(
                        s, _mm256_load_si256(reinterpret_cast<const __m256i *>(&kMul[at]))),
                    _mm256_load_si256(reinterpret_cast<const __m256i *>(&kAddFlipped[at])));
                const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(t, x)));
                std::memcpy(out + i + j, &kBitBytes[static_cast<std::size_t>(mask)], 8);
            }
            seed = kSteps[kGroup](seed);
        }
    }
    for (; i < count; i += kGroup)
        PortableGroup(seed, below, out + i, count - i < kGroup ? count - i : kGroup);
}
#endif

void PortableBits(std::uint32_t &seed, std::uint64_t below, std::uint8_t *out, int count) {
    for (int i = 0; i < count; i += kGroup)
        PortableGroup(seed, below, out + i, count - i < kGroup ? count - i : kGroup);
}

// ceil(p * 2^bits): 0 for p <= 0 or NaN, 2^bits for p >= 1. p * 2^bits is exact and positive: the
// truncation is its floor, one more unless it is whole.
std::uint64_t CountBelow(double p, int bits) {
    if (!(p > 0))
        return 0;
    if (p >= 1)
        return std::uint64_t{1} << bits;
    const double y = std::ldexp(p, bits);
    const auto floor = static_cast<std::uint64_t>(y);
    return floor + (static_cast<double>(floor) < y ? 1 : 0);
}

} // namespace

std::uint64_t SourceCountBelow(double p) {
    return CountBelow(p, 32);
}

bool SourceLanesAvailable(SourceLanes lanes) {
#if defined(SPI_SOURCE_AVX2)
    if (lanes == SourceLanes::Avx2)
        return __builtin_cpu_supports("avx2");
#endif
    return lanes == SourceLanes::Portable;
}

void DrawSourceBitsWith(SourceLanes lanes, std::uint32_t &seed, std::uint64_t below,
                        std::uint8_t *out, int count) {
#if defined(SPI_SOURCE_AVX2)
    if (lanes == SourceLanes::Avx2)
        return Avx2Bits(seed, below, out, count);
#endif
    (void)lanes;
    PortableBits(seed, below, out, count);
}

std::uint64_t DrawSourceMask(std::uint32_t &seed, std::uint64_t below, int count) {
    std::uint64_t mask = 0;
    for (int i = 0; i < count; i += kGroup)
        PortableGroup(
            seed, below,
            [&mask, i](int j, int bit) { mask |= static_cast<std::uint64_t>(bit) << (i + j); },
            count - i < kGroup ? count - i : kGroup);
    return mask;
}

std::uint64_t ResearchCountBelow(double p) {
    return CountBelow(p, 53);
}

std::uint64_t DrawResearchSourceMask(PhiloxDraws &draws, std::uint64_t below, int count) {
    std::uint64_t mask = 0;
    for (int i = 0; i < count; ++i)
        mask |= static_cast<std::uint64_t>(draws.NextBits() < below) << i;
    return mask;
}

void DrawSourceBits(std::uint32_t &seed, std::uint64_t below, std::uint8_t *out, int count) {
    // Short words gain nothing from the wide lanes.
    static const SourceLanes widest =
        SourceLanesAvailable(SourceLanes::Avx2) ? SourceLanes::Avx2 : SourceLanes::Portable;
    DrawSourceBitsWith(count >= kGroup ? widest : SourceLanes::Portable, seed, below, out, count);
}

} // namespace spi

// The research generator's chunk masks four draws at a time (compiled for AVX2).
#include "channel/chunk_bits.h"

#if defined(SPI_RESEARCH_LANES)

#include "channel/research_masks_of.h"

#include <immintrin.h>

namespace spi::markov {

namespace {

// Four draws per comparison; the draws and counts are below 2^63, so the signed one serves.
struct Avx2 {
    static constexpr int kLanes = 4;
    static __m256i Set(std::uint64_t x) { return _mm256_set1_epi64x(static_cast<long long>(x)); }
    static __m256i Load(const std::uint64_t *p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    }
    static std::uint64_t Below(__m256i x, __m256i count) {
        return static_cast<std::uint64_t>(
            _mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpgt_epi64(count, x))));
    }
};

} // namespace

ResearchMasksFn ResearchMasksAvx2(bool sameErrors, bool alikeOuter) {
    return MasksOfKind<Avx2>(sameErrors, alikeOuter);
}

} // namespace spi::markov

#endif

// The research generator's chunk masks eight draws at a time (compiled for AVX-512).
#include "channel/chunk_bits.h"

#if defined(SPI_RESEARCH_LANES)

#include "channel/research_masks_of.h"

#include <immintrin.h>

namespace spi::markov {

namespace {

// Eight draws per comparison.
struct Avx512 {
    static constexpr int kLanes = 8;
    static __m512i Set(std::uint64_t x) { return _mm512_set1_epi64(static_cast<long long>(x)); }
    static __m512i Load(const std::uint64_t *p) { return _mm512_loadu_si512(p); }
    static std::uint64_t Below(__m512i x, __m512i count) {
        return _mm512_cmplt_epu64_mask(x, count);
    }
};

} // namespace

ResearchMasksFn ResearchMasksAvx512(bool sameErrors, bool alikeOuter) {
    return MasksOfKind<Avx512>(sameErrors, alikeOuter);
}

} // namespace spi::markov

#endif

#include "channel/markov_chain.h"
#include "channel/markov_generator.h"
#include "channel/markov_walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace spi {

namespace markov {

namespace {

// The draws of a chunk of up to 64 bits are all computed from the seed before the chunk, and the
// chain's comparisons made on them several at a time into bit masks (markov_walk.h).

template <bool kMove> constexpr std::array<std::uint32_t, kChunk> ChunkMuls() {
    std::array<std::uint32_t, kChunk> muls{};
    for (int i = 0; i < kChunk; ++i)
        muls[static_cast<std::size_t>(i)] = StepsAhead(2 * i + (kMove ? 2 : 1)).mul;
    return muls;
}

// The increments with 2^31 added: the draws then come out with the top bit flipped, ready for the
// signed comparisons of the vector unit (x < t unsigned is x ^ 2^31 < t ^ 2^31 signed).
template <bool kMove> constexpr std::array<std::uint32_t, kChunk> ChunkAdds(std::uint32_t flip) {
    std::array<std::uint32_t, kChunk> adds{};
    for (int i = 0; i < kChunk; ++i)
        adds[static_cast<std::size_t>(i)] = StepsAhead(2 * i + (kMove ? 2 : 1)).add + flip;
    return adds;
}

alignas(32) constexpr std::array<std::uint32_t, kChunk> kErrorMul = ChunkMuls<false>();
alignas(32) constexpr std::array<std::uint32_t, kChunk> kMoveMul = ChunkMuls<true>();
constexpr std::uint32_t kFlip = 0x80000000u;
alignas(32) constexpr std::array<std::uint32_t, kChunk> kErrorAddFlipped = ChunkAdds<false>(kFlip);
alignas(32) constexpr std::array<std::uint32_t, kChunk> kMoveAddFlipped = ChunkAdds<true>(kFlip);

// How the chunks of a channel are worked: sameErrors, alikeOuter, leastStay.
using Plan = MarkovMaskSetup;

// The chunk's masks, and its transition draws.
struct ChunkMasks : ChunkBits {
    alignas(32) std::uint32_t move[kChunk];
};

// The portable way: one bit at a time, each draw from the chunk's seed.
void PortableMasks(const Chain &c, const Plan &plan, std::uint32_t seed, int bits,
                   ChunkMasks &masks) {
    masks = {};
    for (int i = 0; i < bits; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const std::uint32_t e = kErrorMul[k] * seed + (kErrorAddFlipped[k] ^ kFlip);
        const std::uint32_t y = kMoveMul[k] * seed + (kMoveAddFlipped[k] ^ kFlip);
        masks.move[i] = y;
        for (int s = 0; s < 3; ++s)
            masks.error[s] |= static_cast<std::uint64_t>(e < c.errorBelow[s]) << i;
        masks.mayMove |= static_cast<std::uint64_t>(y >= plan.leastStay) << i;
        masks.outerLeaves |= static_cast<std::uint64_t>(y >= c.stayBelow[0]) << i;
        masks.oneLeaves |= static_cast<std::uint64_t>(y >= c.stayBelow[1]) << i;
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
#define SPI_MARKOV_AVX2 1
// Eight draws of one kind, with the top bit flipped.
[[gnu::target("avx2")]] __m256i EightDraws(__m256i s, const std::uint32_t *mul,
                                           const std::uint32_t *add) {
    const __m256i m = _mm256_load_si256(reinterpret_cast<const __m256i *>(mul));
    return _mm256_add_epi32(_mm256_mullo_epi32(s, m),
                            _mm256_load_si256(reinterpret_cast<const __m256i *>(add)));
}

// A count as the vector unit compares it: the count flipped, and all eight bits where the count
// is 2^32 (every draw lies below it; flipped, it reads as the least number, which none is below).
struct Threshold8 {
    __m256i flipped;
    std::uint64_t all;
};
[[gnu::target("avx2")]] Threshold8 ThresholdOf(std::uint64_t count) {
    return {_mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(count) ^ kFlip)),
            count > 0xFFFFFFFFu ? 0xFFu : 0u};
}

// Bit j: flipped draw j below the count.
[[gnu::target("avx2")]] std::uint64_t Below8(__m256i x, const Threshold8 &t) {
    return static_cast<std::uint64_t>(
               _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(t.flipped, x)))) |
           t.all;
}

// The masks eight bits at a time, on processors that have AVX2, for the plan's kind of channel:
// the counts stay in registers and only the masks the plan reads are made. Bits past `bits` hold
// draws further along, which the chain ignores.
template <bool kSameErrors, bool kAlikeOuter>
[[gnu::target("avx2")]] void Avx2MasksOf(const Chain &c, const Plan &plan, std::uint32_t seed,
                                         int bits, ChunkMasks &masks) {
    const __m256i s = _mm256_set1_epi32(static_cast<int>(seed));
    const __m256i flip = _mm256_set1_epi32(static_cast<int>(kFlip));
    const Threshold8 e0 = ThresholdOf(c.errorBelow[0]), e1 = ThresholdOf(c.errorBelow[1]),
                     e2 = ThresholdOf(c.errorBelow[2]);
    const Threshold8 least = ThresholdOf(plan.leastStay), outer = ThresholdOf(c.stayBelow[0]),
                     one = ThresholdOf(c.stayBelow[1]);
    std::uint64_t error[3] = {}, mayMove = 0, outerLeaves = 0, oneLeaves = 0;
    for (int i = 0; i < bits; i += 8) {
        const auto k = static_cast<std::size_t>(i);
        const __m256i e = EightDraws(s, &kErrorMul[k], &kErrorAddFlipped[k]);
        const __m256i y = EightDraws(s, &kMoveMul[k], &kMoveAddFlipped[k]);
        _mm256_store_si256(reinterpret_cast<__m256i *>(masks.move + i), _mm256_xor_si256(y, flip));
        error[0] |= Below8(e, e0) << i;
        if constexpr (!kSameErrors)
            error[1] |= Below8(e, e1) << i;
        if constexpr (!kSameErrors && !kAlikeOuter)
            error[2] |= Below8(e, e2) << i;
        if constexpr (kAlikeOuter) {
            outerLeaves |= (~Below8(y, outer) & 0xFF) << i;
            oneLeaves |= (~Below8(y, one) & 0xFF) << i;
        } else {
            mayMove |= (~Below8(y, least) & 0xFF) << i;
        }
    }
    static_cast<ChunkBits &>(masks) =
        KindMasks<kSameErrors, kAlikeOuter>(error, mayMove, outerLeaves, oneLeaves);
}

[[gnu::target("avx2")]] void Avx2Masks(const Chain &c, const Plan &plan, std::uint32_t seed,
                                       int bits, ChunkMasks &masks) {
    if (plan.sameErrors)
        plan.alikeOuter ? Avx2MasksOf<true, true>(c, plan, seed, bits, masks)
                        : Avx2MasksOf<true, false>(c, plan, seed, bits, masks);
    else
        plan.alikeOuter ? Avx2MasksOf<false, true>(c, plan, seed, bits, masks)
                        : Avx2MasksOf<false, false>(c, plan, seed, bits, masks);
}
#endif

// Where a quarter of the bits or more may change state, walking the changes costs more than the
// bits one by one.
constexpr std::uint64_t kDenseBelow = std::uint64_t{3} << 30;

// The masks of each chunk come from MasksOf: the vector lanes or the portable loop. With `choose`,
// channels with dense state changes go bit by bit instead.
template <auto MasksOf>
bool DrawInChunks(const Plan &plan, const ModelParameters &p, MarkovGeneratorState &state,
                  Random &random, std::uint8_t *out, std::int64_t bits, bool choose,
                  std::uint64_t *mask) {
    std::uint32_t seed = random.seed;
    if (!Start(p, state, seed, bits))
        return false;
    Chain chain = ChainOf(plan, state);
    if (choose && plan.oneByOne) {
        Chain own = ChainOf(plan, state); // one the chunk functions never see: kept in registers
        if (mask)
            BitsOneByOne(
                own, seed,
                [mask](int i, std::uint8_t e) {
                    mask[i / kChunk] |= std::uint64_t{e} << i % kChunk;
                },
                state.genLength);
        else
            BitByBit(own, seed, out, state.genLength);
        state.chanState = own.state + 1;
        random.seed = seed;
        return true;
    }
    ChunkMasks masks;
    for (int done = 0; done < state.genLength; done += kChunk) {
        const int n = std::min(kChunk, state.genLength - done);
        MasksOf(chain, plan, seed, n, masks);
        const std::uint64_t chunkErrors = plan.alikeOuter
                                              ? AlikeOuterChunk(chain, masks, masks.move, n)
                                              : WalkChunk(chain, plan, masks, masks.move, n);
        if (mask)
            mask[done / kChunk] = chunkErrors & LowBits(n);
        else
            Spread(chunkErrors, n, out + done, kMaxBlock - done);
        const auto last = static_cast<std::size_t>(n - 1);
        seed = kMoveMul[last] * seed + (kMoveAddFlipped[last] ^ kFlip);
    }
    state.chanState = chain.state + 1;
    random.seed = seed;
    return true;
}

} // namespace

MarkovMaskSetup PlanOf(const ModelParameters &p) {
    const ChainCounts &c = CountsOf(p.discParams);
    const auto &e = c.errorBelow;
    const auto &stay = c.stayBelow;
    MarkovMaskSetup plan{{e[0], e[1], e[2]},
                         {stay[0], stay[1], stay[2]},
                         c.toZeroBelow,
                         std::min({stay[0], stay[1], stay[2]})};
    plan.sameErrors = e[0] == e[1] && e[1] == e[2];
    plan.alikeOuter = e[0] == e[2] && stay[0] == stay[2];
    plan.oneByOne = !plan.alikeOuter && plan.leastStay < kDenseBelow;
    return plan;
}

bool DrawPlanned(const MarkovMaskSetup &plan, bool choose, const ModelParameters &p,
                 MarkovGeneratorState &state, Random &random, std::uint8_t *out, std::int64_t bits,
                 std::uint64_t *mask) {
#if defined(SPI_MARKOV_AVX2)
    if (plan.avx2)
        return DrawInChunks<Avx2Masks>(plan, p, state, random, out, bits, choose, mask);
#endif
    return DrawInChunks<PortableMasks>(plan, p, state, random, out, bits, choose, mask);
}

} // namespace markov

bool MarkovLanesAvailable(MarkovLanes lanes) {
#if defined(SPI_MARKOV_AVX2)
    if (lanes == MarkovLanes::Avx2)
        return __builtin_cpu_supports("avx2");
#endif
    return lanes == MarkovLanes::Portable;
}

} // namespace spi

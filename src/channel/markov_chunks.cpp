#include "channel/markov_chain.h"
#include "channel/markov_generator.h"

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

// The draws of a chunk of up to 64 bits, all computed from the seed before the chunk, and the
// chain's comparisons made on them several at a time into bit masks (bit i for the chunk's bit i).
// Only the state changes are then walked one by one.
constexpr int kChunk = 64;

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

// What the chain needs of a chunk: the error masks of the three states, the bits where some state
// may leave (the draw reaches the least stay count) or, when states 0 and 2 are alike, the bits
// where they leave and where state 1 leaves; and the transition draws.
struct ChunkMasks {
    std::uint64_t error[3];
    std::uint64_t mayMove;
    std::uint64_t outerLeaves;
    std::uint64_t oneLeaves;
    alignas(32) std::uint32_t move[kChunk];
};

// Bits 0 .. bits-1.
std::uint64_t LowBits(int bits) {
    return bits >= kChunk ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

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
    masks.error[0] = error[0];
    masks.error[1] = kSameErrors ? error[0] : error[1];
    masks.error[2] = kSameErrors || kAlikeOuter ? error[0] : error[2];
    masks.mayMove = mayMove;
    masks.outerLeaves = outerLeaves;
    masks.oneLeaves = oneLeaves;
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

// Bit i of a byte to byte i of eight, in memory order.
constexpr std::array<std::uint64_t, 256> SpreadTable() {
    std::array<std::uint64_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned i = 0; i < 8; ++i)
            if (b >> i & 1u) {
                const unsigned byte = std::endian::native == std::endian::little ? i : 7 - i;
                table[b] |= std::uint64_t{1} << (8 * byte);
            }
    return table;
}
constexpr std::array<std::uint64_t, 256> kSpread = SpreadTable();

// errors[0 .. bits-1] from the bits of mask, eight at a time; `room` bytes from errors on belong to
// the stream's array. The bytes past `bits` keep what they held.
void Spread(std::uint64_t mask, int bits, std::uint8_t *errors, int room) {
    int b = 0;
    for (; b + 8 <= bits; b += 8) {
        const std::uint64_t w = kSpread[(mask >> b) & 0xFF];
        std::memcpy(errors + b, &w, 8);
    }
    if (b == bits)
        return;
    if (std::endian::native == std::endian::little && b + 8 <= room) {
        std::uint64_t w;
        std::memcpy(&w, errors + b, 8);
        const std::uint64_t kept = ~std::uint64_t{0} << (8 * (bits - b));
        w = (w & kept) | (kSpread[(mask >> b) & 0xFF] & ~kept);
        std::memcpy(errors + b, &w, 8);
        return;
    }
    for (; b < bits; ++b)
        errors[b] = static_cast<std::uint8_t>(mask >> b & 1u);
}

// Where a transition draw takes each state, as one word: four times the next state of state s in
// bits 4s .. 4s+3, so that the walk takes the next state with a shift and a mask and no branch.
std::uint32_t NextStates(const Chain &c, std::uint32_t y) {
    // Flags as numbers rather than choices: the compiler then makes no branch of them.
    const std::uint32_t leave0 = y >= c.stayBelow[0];
    const std::uint32_t leave1 = y >= c.stayBelow[1];
    const std::uint32_t leave2 = y >= c.stayBelow[2];
    const std::uint32_t beyondZero = y >= c.toZeroBelow;
    const std::uint32_t from0 = 4 * leave0;
    const std::uint32_t from1 = 4 * (1 - leave1) + 8 * (leave1 & beyondZero);
    const std::uint32_t from2 = 8 - 4 * leave2;
    return from0 | from1 << 4 | from2 << 8;
}

// The chain through one chunk: only the bits where some state may leave are looked at. The errors
// from the last bit looked at up to this one are those of the state the chain was in.
std::uint64_t WalkChunk(Chain &c, const Plan &plan, const ChunkMasks &masks, int bits) {
    std::uint64_t candidates = masks.mayMove & LowBits(bits);
    std::uint32_t state4 = static_cast<std::uint32_t>(4 * c.state);
    if (plan.sameErrors) {
        // The errors are the same in every state: only where the chain ends matters.
        for (; candidates; candidates &= candidates - 1)
            state4 = NextStates(c, masks.move[std::countr_zero(candidates)]) >> state4 & 15u;
        c.state = static_cast<int>(state4 / 4);
        return masks.error[0];
    }
    std::uint64_t errors = 0;
    std::uint64_t done = 0;
    for (; candidates; candidates &= candidates - 1) {
        const int j = std::countr_zero(candidates);
        const std::uint64_t upTo = (std::uint64_t{2} << j) - 1; // bits 0 .. j
        errors |= masks.error[state4 / 4] & upTo & ~done;
        done = upTo;
        state4 = NextStates(c, masks.move[j]) >> state4 & 15u;
    }
    c.state = static_cast<int>(state4 / 4);
    return errors | (masks.error[c.state] & ~done);
}

// The chain through one chunk when states 0 and 2 are alike, all bits at once. Whether the chain
// is in state 1 after each bit: a bit where both state 1 and the outer states leave flips it, a
// bit where only one of them leaves sets it (to 1 when the outer state leaves), the other bits keep
// it. Which outer state the chain is in matters only at the end: the one entered last.
std::uint64_t AlikeOuterChunk(Chain &c, const ChunkMasks &masks, int bits) {
    const std::uint64_t valid = LowBits(bits);
    const std::uint64_t outer = masks.outerLeaves & valid, one = masks.oneLeaves & valid;
    const std::uint64_t flips = outer & one, sets = outer ^ one;
    std::uint64_t parity = flips; // of the flips up to each bit
    for (int k = 1; k < kChunk; k <<= 1)
        parity ^= parity << k;
    // Relative to that parity, each set fixes a value that holds up to the next set: those of 1
    // are carried up by an addition whose carry runs through the bits that are not sets.
    const std::uint64_t setOnes = sets & (parity ^ outer);
    const std::uint64_t free = ~sets;
    const std::uint64_t carried = ((free + (setOnes << 1)) ^ free) & free;
    const std::uint64_t beforeFirstSet = (sets & (~sets + 1)) - 1;
    const std::uint64_t startsInOne = c.state == 1 ? beforeFirstSet : 0;
    const std::uint64_t inOneAfter = parity ^ (setOnes | carried | startsInOne);
    const std::uint64_t inOneDuring = inOneAfter << 1 | (c.state == 1 ? 1u : 0u);
    const std::uint64_t errors = (inOneDuring & masks.error[1]) | (~inOneDuring & masks.error[0]);
    const std::uint64_t toOuter = inOneDuring & one;
    if (inOneAfter >> (bits - 1) & 1u)
        c.state = 1;
    else if (toOuter)
        c.state = masks.move[63 - std::countl_zero(toOuter)] < c.toZeroBelow ? 0 : 2;
    return errors;
}

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
                own, seed, [mask](int i, std::uint8_t e) { *mask |= std::uint64_t{e} << i; },
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
        const std::uint64_t chunkErrors =
            plan.alikeOuter ? AlikeOuterChunk(chain, masks, n) : WalkChunk(chain, plan, masks, n);
        if (mask)
            *mask = chunkErrors & LowBits(n); // one chunk: a mask is at most 64 bits
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

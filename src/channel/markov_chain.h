// The discrete channel's chain as its generators share it: the comparison counts of a channel, the
// chain's state between bits, the start of a call and the bit-by-bit loop. Internal to channel/.
#pragma once

#include "channel/discrete_channel.h"
#include "channel/markov_generator.h"
#include "model/model_state.h"
#include "model/random.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>

namespace spi::markov {

// A draw x = seed * 2^-32 satisfies x <= p exactly when seed < CountAtOrBelow(p): the comparisons
// of the chain become comparisons of the raw seed, with no conversion in the loop. p may be a sum
// in extended precision; p*2^32 is exact, so the count is exact too. A probability below 0 (or
// NaN) never fires, one of 1 or more always does.
inline std::uint64_t CountAtOrBelow(long double p) {
    if (!(p >= 0))
        return 0;
    if (p >= 1)
        return std::uint64_t{1} << 32;
    return static_cast<std::uint64_t>(std::floor(p * 4294967296.0L)) + 1;
}

// The same for a probability that is a double: p*2^32 is exact in a double as well, and the
// conversion then needs no switch of the x87 rounding mode.
inline std::uint64_t CountAtOrBelow(double p) {
    if (!(p >= 0))
        return 0;
    if (p >= 1)
        return std::uint64_t{1} << 32;
    return static_cast<std::uint64_t>(std::floor(p * 4294967296.0)) + 1;
}

// Two bits take four draws, all four computed from the seed before them (model/random.h).
inline constexpr RandomStep kAhead1 = StepsAhead(1);
inline constexpr RandomStep kAhead2 = StepsAhead(2);
inline constexpr RandomStep kAhead3 = StepsAhead(3);
inline constexpr RandomStep kAhead4 = StepsAhead(4);

inline std::uint32_t Draw(std::uint32_t seed, RandomStep a) {
    return a(seed);
}

// The comparison counts of a channel: errorBelow and stayBelow per state, toZeroBelow of state 1.
struct ChainCounts {
    std::uint64_t errorBelow[3];
    std::uint64_t stayBelow[3];
    std::uint64_t toZeroBelow;
};

// Converting the seven probabilities cost as much as generating a word of a short code, and a run
// calls the generator once per interleaver block with the same channel. What is made of the last
// channel seen on this thread (by Make) is kept and reused while its seven probabilities are the
// same to the bit, so it is always that of the channel at hand.
inline constexpr std::size_t kUsed[7] = {kE0, kE1, kE2, kP00, kP11, kP22, kP10};
template <class Kept> struct Memo {
    std::uint64_t key[7];
    bool valid = false;
    Kept kept;
};

// Out of line: a run reaches it only when its channel changes.
template <class Kept, Kept (*Make)(const std::array<double, 15> &)>
[[gnu::noinline]] const Kept &Remember(Memo<Kept> &memo, const std::uint64_t (&key)[7],
                                       const std::array<double, 15> &d) {
    memo.kept = Make(d);
    std::copy(key, key + 7, memo.key);
    memo.valid = true;
    return memo.kept;
}

template <class Kept, Kept (*Make)(const std::array<double, 15> &)>
const Kept &KeptFor(const std::array<double, 15> &d) {
    thread_local Memo<Kept> memo;
    std::uint64_t key[7];
    bool same = memo.valid;
    for (std::size_t i = 0; i < 7; ++i) {
        key[i] = std::bit_cast<std::uint64_t>(d[kUsed[i]]);
        same = same && key[i] == memo.key[i];
    }
    return same ? memo.kept : Remember<Kept, Make>(memo, key, d);
}

inline ChainCounts MakeCounts(const std::array<double, 15> &d) {
    return {{CountAtOrBelow(d[kE0]), CountAtOrBelow(d[kE1]), CountAtOrBelow(d[kE2])},
            {CountAtOrBelow(d[kP00]), CountAtOrBelow(d[kP11]), CountAtOrBelow(d[kP22])},
            CountAtOrBelow(static_cast<long double>(d[kP10]) + static_cast<long double>(d[kP11]))};
}

inline const ChainCounts &CountsOf(const std::array<double, 15> &d) {
    return KeptFor<ChainCounts, MakeCounts>(d);
}

// The chain between bits. Per state: an error when the error draw's seed is below errorBelow,
// a stay when the transition draw's seed is below stayBelow. From state 1 a draw that does not
// stay goes to state 0 when it is below toZeroBelow (y <= P10 + P11, the same y), otherwise to
// state 2; states 0 and 2 can only move to state 1.
struct Chain {
    std::uint64_t errorBelow[3];
    std::uint64_t stayBelow[3];
    std::uint64_t toZeroBelow;
    int state;
    std::uint64_t curError;
    std::uint64_t curStay;

    // Whether the transition draw leaves the state; the chain then takes the new one. A draw is
    // the model's 32-bit seed or the research generator's 53 bits, with counts to match.
    template <class Draw> bool Move(Draw moveDraw) {
        if (moveDraw < curStay)
            return false;
        state = state != 1 ? 1 : (moveDraw < toZeroBelow ? 0 : 2);
        curError = errorBelow[state];
        curStay = stayBelow[state];
        return true;
    }

    // The counts of the state again, after a walk that moved only the state.
    void Resume() {
        curError = errorBelow[state];
        curStay = stayBelow[state];
    }

    // The bit's error (1 or 0), then the transition.
    template <class Draw> std::uint8_t Bit(Draw errorDraw, Draw moveDraw) {
        const auto error = static_cast<std::uint8_t>(errorDraw < curError);
        Move(moveDraw);
        return error;
    }
};

// The start of every call: the stream's length, and the chain's state drawn when the run has none
// yet. False when the stream would not fit.
[[gnu::always_inline]] inline bool Start(const ModelParameters &p, MarkovGeneratorState &state,
                                         std::uint32_t &seed, std::int64_t bits) {
    // The run's limits check keeps the stream within errorVector; this only keeps a caller that
    // skipped it from writing past the end.
    if (bits > kMaxBlock)
        return false;
    state.genLength = static_cast<std::int32_t>(bits);
    // 0 means no state drawn yet in this run; anything else outside 1..3 is treated alike rather
    // than read as a state the chain does not have.
    if (state.chanState < 1 || state.chanState > 3) {
        const auto &d = p.discParams;
        seed = Draw(seed, kAhead1);
        const double x = static_cast<double>(seed) * (1.0 / 4294967296.0);
        const long double upTo0 = d[kP0];
        const long double upTo1 = upTo0 + d[kP1];
        // The third sum, P0+P1+P2, would pick state 2, as a draw above every sum does.
        const int s = x <= upTo0 ? 0 : x <= upTo1 ? 1 : 2;
        state.chanState = s + 1;
    }
    return true;
}

[[gnu::always_inline]] inline Chain StartChain(const ModelParameters &p,
                                               const MarkovGeneratorState &state) {
    const ChainCounts &counts = CountsOf(p.discParams);
    Chain chain{{counts.errorBelow[0], counts.errorBelow[1], counts.errorBelow[2]},
                {counts.stayBelow[0], counts.stayBelow[1], counts.stayBelow[2]},
                counts.toZeroBelow,
                state.chanState - 1,
                0,
                0};
    // From the kept counts, not from the chain just written: reading that back at once would
    // wait for the stores.
    chain.curError = counts.errorBelow[chain.state];
    chain.curStay = counts.stayBelow[chain.state];
    return chain;
}

// The chain of a run's set-up (markov_generator.h), in the state the run left.
[[gnu::always_inline]] inline Chain ChainOf(const MarkovMaskSetup &s,
                                            const MarkovGeneratorState &state) {
    const int at = state.chanState - 1;
    return {{s.errorBelow[0], s.errorBelow[1], s.errorBelow[2]},
            {s.stayBelow[0], s.stayBelow[1], s.stayBelow[2]},
            s.toZeroBelow,
            at,
            s.errorBelow[at],
            s.stayBelow[at]};
}

// The counts of the channel of p and how its chunks are worked (lanes left to the caller).
MarkovMaskSetup PlanOf(const ModelParameters &p);

// The bits one by one, each handed to put(i, error), error then transition, four draws per two bits
// from the seed before them. The seed is copied in and out, or each byte store would make the
// compiler reload it. Inlined, so that the chain is the caller's local, which the stores cannot
// reach either.
template <class Put>
[[gnu::always_inline]] inline void BitsOneByOne(Chain &chain, std::uint32_t &keptSeed, Put put,
                                                int count) {
    std::uint32_t seed = keptSeed;
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const std::uint32_t error1 = Draw(seed, kAhead1);
        const std::uint32_t move1 = Draw(seed, kAhead2);
        const std::uint32_t error2 = Draw(seed, kAhead3);
        const std::uint32_t move2 = Draw(seed, kAhead4);
        seed = move2;
        put(i, chain.Bit(error1, move1));
        put(i + 1, chain.Bit(error2, move2));
    }
    if (i < count) {
        const std::uint32_t error1 = Draw(seed, kAhead1);
        seed = Draw(seed, kAhead2);
        put(i, chain.Bit(error1, seed));
    }
    keptSeed = seed;
}

// Into bytes errors[0 .. count-1].
[[gnu::always_inline]] inline void BitByBit(Chain &chain, std::uint32_t &keptSeed,
                                            std::uint8_t *out, int count) {
    BitsOneByOne(
        chain, keptSeed, [out](int i, std::uint8_t e) { out[i] = e; }, count);
}

// The chunked ways of markov_chunks.cpp, in the lanes of plan.avx2: with `choose`, channels whose
// state changes are dense go bit by bit instead. The errors go to out[0 .. bits-1], or with `mask`
// into mask[0 .. (bits - 1) / 64], bit i of the call in bit i % 64 of mask[i / 64], which start
// at 0.
bool DrawPlanned(const MarkovMaskSetup &plan, bool choose, const ModelParameters &p,
                 MarkovGeneratorState &state, Random &random, std::uint8_t *out, std::int64_t bits,
                 std::uint64_t *mask = nullptr);

// The chain drawn from the research generator (markov_philox.cpp), in the lanes of draws.lanes:
// errors to out[0 .. bits-1], or with `mask` into chunk masks as DrawPlanned writes them.
bool DrawPhilox(const ModelParameters &p, MarkovGeneratorState &state, PhiloxDraws &draws,
                std::uint8_t *out, std::int64_t bits, std::uint64_t *mask = nullptr);

// The research generator's counts of the channel of p, set up once for a run's mask calls.
MarkovMaskSetup ResearchSetupOf(const ModelParameters &p);

// A call of 1 .. 64 bits as a mask: short ones bit by bit from a research setup of p's channel,
// the rest (or with another setup) as DrawPhilox draws them.
std::uint64_t DrawPhiloxMask(const MarkovMaskSetup &setup, const ModelParameters &p,
                             MarkovGeneratorState &state, PhiloxDraws &draws, int bits);
// The same bit by bit with the draws as doubles: the reference of the faster way.
bool DrawPhiloxPlain(const ModelParameters &p, MarkovGeneratorState &state, PhiloxDraws &draws,
                     std::uint8_t *out, std::int64_t bits);

} // namespace spi::markov

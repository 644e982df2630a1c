#include "channel/markov_chain.h"
#include "channel/markov_walk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace spi::markov {

namespace {

// A draw x = k * 2^-53 satisfies x <= p exactly when k < CountOf53(p); p * 2^53 is exact in either
// type. A probability below 0 (or NaN) never fires, one of 1 or more always does.
template <class Real> std::uint64_t CountOf53(Real p) {
    if (!(p >= 0))
        return 0;
    if (p >= 1)
        return std::uint64_t{1} << 53;
    return static_cast<std::uint64_t>(std::floor(p * static_cast<Real>(9007199254740992.0))) + 1;
}

// The chain's counts for 53-bit draws and how its chunks are worked (plan.oneByOne: a quarter of
// the bits or more may change state, and the bits one by one cost less), and the same counts for
// the masks.
struct ResearchPlan {
    MarkovMaskSetup plan;
    ChunkCounts counts;
};

ResearchPlan MakeResearchPlan(const std::array<double, 15> &d) {
    ResearchPlan made;
    MarkovMaskSetup &plan = made.plan;
    plan = {{CountOf53(d[kE0]), CountOf53(d[kE1]), CountOf53(d[kE2])},
            {CountOf53(d[kP00]), CountOf53(d[kP11]), CountOf53(d[kP22])},
            CountOf53(static_cast<long double>(d[kP10]) + static_cast<long double>(d[kP11])),
            0};
    plan.research = true;
    const auto &e = plan.errorBelow;
    const auto &stay = plan.stayBelow;
    plan.leastStay = std::min({stay[0], stay[1], stay[2]});
    plan.sameErrors = e[0] == e[1] && e[1] == e[2];
    plan.alikeOuter = e[0] == e[2] && stay[0] == stay[2];
    plan.oneByOne = !plan.alikeOuter && plan.leastStay < (std::uint64_t{3} << 51);
    made.counts = {{e[0], e[1], e[2]},
                   {stay[0], stay[1], stay[2]},
                   plan.leastStay,
                   plan.sameErrors,
                   plan.alikeOuter};
    return made;
}

// Kept per thread for the last channel seen, as the model's counts are.
const ResearchPlan &ResearchPlanOf(const std::array<double, 15> &d) {
    return KeptFor<ResearchPlan, MakeResearchPlan>(d);
}

// The chunk's masks from its error draws e[0 .. bits-1] and transition draws y[0 .. bits-1], one
// bit at a time.
void PortableMasks(const ChunkCounts &plan, const std::uint64_t *e, const std::uint64_t *y,
                   int bits, ChunkBits &masks) {
    masks = {};
    for (int i = 0; i < bits; ++i) {
        for (int s = 0; s < 3; ++s)
            masks.error[s] |= static_cast<std::uint64_t>(e[i] < plan.errorBelow[s]) << i;
        masks.mayMove |= static_cast<std::uint64_t>(y[i] >= plan.leastStay) << i;
        masks.outerLeaves |= static_cast<std::uint64_t>(y[i] >= plan.stayBelow[0]) << i;
        masks.oneLeaves |= static_cast<std::uint64_t>(y[i] >= plan.stayBelow[1]) << i;
    }
}

// The masks in the lanes the draws were made in.
ResearchMasksFn MasksFor(PhiloxLanes lanes, const ChunkCounts &plan) {
#if defined(SPI_RESEARCH_LANES)
    if (lanes == PhiloxLanes::Avx512)
        return ResearchMasksAvx512(plan.sameErrors, plan.alikeOuter);
    if (lanes == PhiloxLanes::Avx2)
        return ResearchMasksAvx2(plan.sameErrors, plan.alikeOuter);
#else
    static_cast<void>(lanes);
#endif
    static_cast<void>(plan);
    return PortableMasks;
}

// The state from P0, P1 when the run has none yet, as the model's chain starts.
void StartState(const ModelParameters &p, MarkovGeneratorState &state, PhiloxDraws &draws) {
    if (state.chanState >= 1 && state.chanState <= 3)
        return;
    const auto &d = p.discParams;
    const double x = draws.Next();
    const long double upTo0 = d[kP0];
    const long double upTo1 = upTo0 + d[kP1];
    state.chanState = (x <= upTo0 ? 0 : x <= upTo1 ? 1 : 2) + 1;
}

// Below this many bits a call costs less bit by bit than as a chunk.
constexpr int kFewBits = 16;

// n pairs of draws (at most 64), bit by bit, as a mask; the chain may come from a walked chunk.
std::uint64_t PairsOneByOne(Chain &chain, const PhiloxDraws::Pairs &pairs, int n) {
    chain.Resume();
    std::uint64_t errors = 0;
    for (int i = 0; i < n; ++i)
        errors |= std::uint64_t{chain.Bit(pairs.first[i], pairs.second[i])} << i;
    return errors;
}

// One chunk's errors, its pairs of draws taken.
std::uint64_t ChunkErrors(const ResearchPlan &research, ResearchMasksFn masksOf, Chain &chain,
                          PhiloxDraws &draws, int n) {
    const MarkovMaskSetup &plan = research.plan;
    const PhiloxDraws::Pairs pairs = draws.PairsAhead(static_cast<std::size_t>(n));
    std::uint64_t errors = 0;
    if (plan.oneByOne || n < kFewBits) {
        errors = PairsOneByOne(chain, pairs, n);
    } else {
        ChunkBits masks;
        masksOf(research.counts, pairs.first, pairs.second, n, masks);
        errors = plan.alikeOuter ? AlikeOuterChunk(chain, masks, pairs.second, n)
                                 : WalkChunk(chain, plan, masks, pairs.second, n);
    }
    draws.Skip(2 * static_cast<std::size_t>(n));
    return errors;
}

} // namespace

// The draws in pairs as 53-bit numbers, compared with counts of the same scale, chunk by chunk.
bool DrawPhilox(const ModelParameters &p, MarkovGeneratorState &state, PhiloxDraws &draws,
                std::uint8_t *out, std::int64_t bits, std::uint64_t *mask) {
    if (bits > kMaxBlock)
        return false;
    state.genLength = static_cast<std::int32_t>(bits);
    StartState(p, state, draws);
    const ResearchPlan &research = ResearchPlanOf(p.discParams);
    const ResearchMasksFn masksOf = MasksFor(draws.lanes, research.counts);
    Chain chain = ChainOf(research.plan, state);
    for (int done = 0; done < state.genLength; done += kChunk) {
        const int n = std::min(kChunk, state.genLength - done);
        const std::uint64_t errors = ChunkErrors(research, masksOf, chain, draws, n);
        if (mask)
            mask[done / kChunk] = errors & LowBits(n);
        else
            Spread(errors, n, out + done, kMaxBlock - done);
    }
    state.chanState = chain.state + 1;
    return true;
}

MarkovMaskSetup ResearchSetupOf(const ModelParameters &p) {
    return ResearchPlanOf(p.discParams).plan;
}

std::uint64_t DrawPhiloxMask(const MarkovMaskSetup &setup, const ModelParameters &p,
                             MarkovGeneratorState &state, PhiloxDraws &draws, int bits) {
    std::uint64_t mask = 0;
    if (!setup.research || bits >= kFewBits) {
        DrawPhilox(p, state, draws, nullptr, bits, &mask);
        return mask;
    }
    state.genLength = bits;
    StartState(p, state, draws);
    Chain chain = ChainOf(setup, state);
    mask = PairsOneByOne(chain, draws.PairsAhead(static_cast<std::size_t>(bits)), bits);
    draws.Skip(2 * static_cast<std::size_t>(bits));
    state.chanState = chain.state + 1;
    return mask;
}

// The chain with the draws as doubles, bit by bit: per bit its error (x <= e of the state) and its
// transition (stay when y <= Pss; from state 1 to state 0 when y <= P10 + P11, else to state 2).
bool DrawPhiloxPlain(const ModelParameters &p, MarkovGeneratorState &state, PhiloxDraws &draws,
                     std::uint8_t *out, std::int64_t bits) {
    if (bits > kMaxBlock)
        return false;
    state.genLength = static_cast<std::int32_t>(bits);
    StartState(p, state, draws);
    const auto &d = p.discParams;
    const double error[3] = {d[kE0], d[kE1], d[kE2]};
    const double stay[3] = {d[kP00], d[kP11], d[kP22]};
    const long double toZero = static_cast<long double>(d[kP10]) + d[kP11];
    int s = state.chanState - 1;
    for (std::int64_t i = 0; i < bits; ++i) {
        out[i] = static_cast<std::uint8_t>(draws.Next() <= error[s]);
        const double y = draws.Next();
        if (!(y <= stay[s]))
            s = s != 1 ? 1 : (y <= toZero ? 0 : 2);
    }
    state.chanState = s + 1;
    return true;
}

} // namespace spi::markov

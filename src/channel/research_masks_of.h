// The masks of a chunk of the research generator's draws for any lane width: included by the one
// source file of each width, which is compiled for its instructions. Everything here is local to
// the file that includes it, so no function of one width can stand in for another's.
#pragma once

#include "channel/chunk_bits.h"

#include <cstdint>

namespace spi::markov {

namespace {

// The masks of the plan's kind of channel, several draws per comparison: Below(x, count) gives one
// bit per lane, the lanes' draws below the count. Draws past `bits` (the draw arrays have room for
// them) make bits the chain ignores.
template <class Lanes, bool kSameErrors, bool kAlikeOuter>
void MasksOf(const ChunkCounts &plan, const std::uint64_t *e, const std::uint64_t *y, int bits,
             ChunkBits &masks) {
    const auto e0 = Lanes::Set(plan.errorBelow[0]), e1 = Lanes::Set(plan.errorBelow[1]),
               e2 = Lanes::Set(plan.errorBelow[2]);
    const auto least = Lanes::Set(plan.leastStay), outer = Lanes::Set(plan.stayBelow[0]),
               one = Lanes::Set(plan.stayBelow[1]);
    constexpr int kLanes = Lanes::kLanes;
    constexpr std::uint64_t kAll = (std::uint64_t{1} << kLanes) - 1;
    std::uint64_t error[3] = {}, mayMove = 0, outerLeaves = 0, oneLeaves = 0;
    for (int i = 0; i < bits; i += kLanes) {
        const auto x = Lanes::Load(e + i), t = Lanes::Load(y + i);
        error[0] |= Lanes::Below(x, e0) << i;
        if constexpr (!kSameErrors)
            error[1] |= Lanes::Below(x, e1) << i;
        if constexpr (!kSameErrors && !kAlikeOuter)
            error[2] |= Lanes::Below(x, e2) << i;
        if constexpr (kAlikeOuter) {
            outerLeaves |= (~Lanes::Below(t, outer) & kAll) << i;
            oneLeaves |= (~Lanes::Below(t, one) & kAll) << i;
        } else {
            mayMove |= (~Lanes::Below(t, least) & kAll) << i;
        }
    }
    masks = KindMasks<kSameErrors, kAlikeOuter>(error, mayMove, outerLeaves, oneLeaves);
}

// The masks of each kind of channel, made in the lanes of Lanes.
template <class Lanes> ResearchMasksFn MasksOfKind(bool sameErrors, bool alikeOuter) {
    if (sameErrors)
        return alikeOuter ? MasksOf<Lanes, true, true> : MasksOf<Lanes, true, false>;
    return alikeOuter ? MasksOf<Lanes, false, true> : MasksOf<Lanes, false, false>;
}

} // namespace

} // namespace spi::markov

// The masks of a chunk of the discrete channel's bits, as its chunked ways share them. Internal to
// channel/; kept free of everything else, for the files compiled for wider instructions.
#pragma once

#include <cstdint>

namespace spi::markov {

inline constexpr int kChunk = 64;

// What the chain needs of a chunk: the error masks of the three states, the bits where some state
// may leave (the draw reaches the least stay count) or, when states 0 and 2 are alike, the bits
// where they leave and where state 1 leaves.
struct ChunkBits {
    std::uint64_t error[3];
    std::uint64_t mayMove;
    std::uint64_t outerLeaves;
    std::uint64_t oneLeaves;
};

// The masks of a kind of channel from those made for it: states that share their counts share
// their masks. In an unnamed namespace, as this header goes into files compiled for wider
// instructions: each file keeps its own copy, and none can stand in for another's.
namespace {
template <bool kSameErrors, bool kAlikeOuter>
ChunkBits KindMasks(const std::uint64_t (&error)[3], std::uint64_t mayMove,
                    std::uint64_t outerLeaves, std::uint64_t oneLeaves) {
    return {{error[0], kSameErrors ? error[0] : error[1],
             kSameErrors || kAlikeOuter ? error[0] : error[2]},
            mayMove,
            outerLeaves,
            oneLeaves};
}
} // namespace

// The counts a chunk's draws are compared with, and the kind of channel (which masks it needs).
struct ChunkCounts {
    std::uint64_t errorBelow[3];
    std::uint64_t stayBelow[3];
    std::uint64_t leastStay;
    bool sameErrors; // the three states' error counts are equal
    bool alikeOuter; // states 0 and 2 have the same stay and error counts
};

// The masks of a chunk of the research generator's draws: error draws e[0 .. bits-1], transition
// draws y[0 .. bits-1], 53-bit numbers; the arrays have room for seven numbers past `bits`.
using ResearchMasksFn = void (*)(const ChunkCounts &, const std::uint64_t *e,
                                 const std::uint64_t *y, int bits, ChunkBits &masks);

#if defined(__GNUC__) && defined(__x86_64__)
#define SPI_RESEARCH_LANES 1
// Those of a kind of channel, four and eight draws per comparison (research_masks_*.cpp).
ResearchMasksFn ResearchMasksAvx2(bool sameErrors, bool alikeOuter);
ResearchMasksFn ResearchMasksAvx512(bool sameErrors, bool alikeOuter);
#endif

} // namespace spi::markov

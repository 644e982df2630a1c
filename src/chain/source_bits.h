// The source's bits drawn several at a time: draw i of a group is computed from the seed before
// the group (model/random.h), and compared as a raw seed with the probability's count.
#pragma once

#include "model/philox.h"

#include <cstdint>

namespace spi {

// A draw x = seed * 2^-32 is below p exactly when seed is below this count (ceil(p * 2^32), exact
// in a double); 0 for p <= 0 or NaN, 2^32 for p > 1.
std::uint64_t SourceCountBelow(double p);

// The lanes of the comparisons: eight at a time in plain code (everywhere), or 32 at a time with
// AVX2 (x86-64, checked when the program runs). All give the same bits and the same seed.
enum class SourceLanes { Portable, Avx2 };
bool SourceLanesAvailable(SourceLanes lanes);

// out[0 .. count-1] = 1 where the next draw is below `below`, advancing seed by count draws; with
// the widest lanes the processor has, or with the lanes given, which must be available.
void DrawSourceBits(std::uint32_t &seed, std::uint64_t below, std::uint8_t *out, int count);
void DrawSourceBitsWith(SourceLanes lanes, std::uint32_t &seed, std::uint64_t below,
                        std::uint8_t *out, int count);

// The same bits as a mask, bit i for out[i]; count at most 64.
std::uint64_t DrawSourceMask(std::uint32_t &seed, std::uint64_t below, int count);

// The research generator's source: a draw x = k * 2^-53 is below p exactly when k is below this
// count (ceil(p * 2^53), exact in a double); 0 for p <= 0 or NaN, 2^53 for p >= 1.
std::uint64_t ResearchCountBelow(double p);

// Its next count draws as a mask, bit i set where draw i is below `below`; count at most 64.
std::uint64_t DrawResearchSourceMask(PhiloxDraws &draws, std::uint64_t below, int count);

} // namespace spi

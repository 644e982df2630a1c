// The syndrome decoder's search for the lightest error pattern that explains a syndrome.
#pragma once

#include "coding/cyclic_packed.h"
#include "model/model_state.h"

#include <array>
#include <cstdint>
#include <span>

namespace spi::cyclic {

inline constexpr int kMaxSearchWeight = 5;

// The positions of the first set of up to maxWeight positions (1..n) whose syndrome is `syndrome`
// (packed, r bits), in q[1..w], trying sets by weight and lexicographically within a weight, as
// parityColumns (the decoder's rows, r bits per information position) describes the code.
// Returns w, or 0 when no such set exists.
int SearchPattern(std::span<const std::uint8_t, kMaxParity + 1> parityColumns, const CodeShape &s,
                  const std::uint64_t *syndrome, int maxWeight,
                  std::array<int, kMaxSearchWeight + 1> &q);

} // namespace spi::cyclic

// The interleaver: the read-out order of a block of L codewords, built from A, C and L.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

#include <cstdint>
#include <vector>

namespace spi {

inline constexpr const char *kInterleaverRefusal =
    "Допустимы А=1,L<=10,n/2<C<n*L; Повторите ввод A,L,C в перемежителе!";

// Writes interleaverPerm[0 .. n*L-1]. Parameters that give no permutation (a repeated position,
// n*L outside 2..5000, A or C not positive) are refused with the warning above, and wordCount is
// set to 0. Returns whether the permutation was built.
bool BuildPermutation(ModelState &m, Notifier &notifier);

// A stretch of the read-out order where consecutive channel positions carry consecutive cells:
// positions from+1 .. from+length carry cells to+1 .. to+length (both 1-based, as the buffers).
struct ReadOutRun {
    int from;
    int to;
    int length;
};

// The read-out order perm[0 .. count-1] as such stretches, or nothing when they would be too short
// for copying stretch by stretch to pay.
std::vector<ReadOutRun> ReadOutRuns(const std::int32_t *perm, int count);

} // namespace spi

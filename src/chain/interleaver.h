// The interleaver: the read-out order of a block of L codewords, built from A, C and L.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

namespace spi {

inline constexpr const char *kInterleaverRefusal =
    "Допустимы А=1,L<=10,n/2<C<n*L; Повторите ввод A,L,C в перемежителе!";

// Writes interleaverPerm[0 .. n*L-1]. Parameters that give no permutation (a repeated position,
// n*L outside 2..5000, A or C not positive) are refused with the warning above, and wordCount is
// set to 0. Returns whether the permutation was built.
bool BuildPermutation(ModelState &m, Notifier &notifier);

} // namespace spi

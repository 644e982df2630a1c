// The memory-2 rate-1/2 convolutional code (generators 5 and 7) with puncturing to 2/3 and 3/4,
// and its hard-decision Viterbi decoder. Encoder memory, metrics and survivors are never reset.
#pragma once

#include "core/model_state.h"

namespace spi {

void encodeViterbi(ModelState &m);                       // code types 8, 9, 10
void decodeViterbi(ModelState &m, long long blockNumber); // delivers the previous block's bits

} // namespace spi

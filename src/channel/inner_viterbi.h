// The inner Viterbi codes of the concatenated types: the rate-1/2 pair of types 12 and 17 and the
// rate-1/3 pair of type 15. They encode all-ones blocks, add the channel errors and leave the
// residual errors in errorVector, one whole block late.
#pragma once

#include "core/model_state.h"

namespace spi {

void InnerEncode(ModelState &m);
void InnerDecode(ModelState &m, int h);
void InnerEncode15(ModelState &m);
void InnerDecode15(ModelState &m, int h);

} // namespace spi

// Binary cyclic codes: the systematic encoder and the syndrome decoder with its exhaustive search.
#pragma once

#include "model/model_state.h"

namespace spi {

void encodeCyclic(ModelState &m);
// wordNumber 1 rebuilds parityColumns and resets detectedBlockCount.
void decodeSyndrome(ModelState &m, long long wordNumber);

} // namespace spi

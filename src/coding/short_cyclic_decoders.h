// Fixed decoders of four short cyclic codes, each the shift-register circuit of a classical
// decoder: they read rxWord and write decodedWord; n, k and their power are built in.
#pragma once

#include "model/model_state.h"

namespace spi {

void decodeKasamiRudolph(ModelState &m); // (23,12), up to 3 errors
void decodeMeggitt(ModelState &m);       // (15,11), single errors
void decodeThreshold157(ModelState &m);  // (15,7), up to 2 errors
void decodeMajority73(ModelState &m);    // (7,3), single errors

} // namespace spi

// The inner codes of the concatenated schemes (code types 12, 15, 16 and 17): between the channel
// and the outer decoder they encode an all-ones sequence, add the channel errors, decode, and
// leave the residual errors.
#pragma once

#include "model/model_state.h"

namespace spi {

// At the first block of a run: reads the inner set of type 16 and checks that the outer word
// divides into inner blocks. False when the set cannot serve the outer code.
bool CheckInnerSetOnce(ModelState &m);

// Runs the inner blocks of the current block of channel errors, writing the residual errors over
// the front of errorVector block by block.
void RunInnerCode(ModelState &m);

// Runs inner block h (1-based) of the current generator call for the concatenated code type.
void RunInnerBlock(ModelState &m, int h);

} // namespace spi

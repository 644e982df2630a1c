// The inner codes of the concatenated schemes, run inside the discrete-channel generator: they
// encode an all-ones sequence, add the channel errors, decode, and leave the residual errors.
#pragma once

#include "core/model_state.h"

namespace spi {

// Whether the inner code of this concatenated code type is built into this version.
bool InnerCodeAvailable(int codeType);

// Runs inner block h (1-based) of the current generator call for the concatenated code type.
void RunInnerBlock(ModelState &m, int h);

} // namespace spi

// Errors of the discrete channel: a three-state Markov chain, carried across the calls of a run.
#pragma once

#include "model/model_state.h"

#include <cstdint>

namespace spi {

// Fills errorVector[1..bits] from the chain of discParams, drawing each bit's error and then its
// transition, and keeps the chain's state for the next call. False (nothing drawn) when the
// stream would not fit errorVector.
bool DrawMarkovErrors(ModelState &m, std::int64_t bits);

} // namespace spi

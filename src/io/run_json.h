// The JSON record of a run: its test, structure, seed, volume, distributions and figures, with
// every real number written so that it reads back to the same double. spi-sim writes it with
// --json; a script gets the same keys.
#pragma once

#include "research/user_steps.h"

#include <ostream>

namespace spi {

void WriteJson(std::ostream &out, const RunRecord &r);

} // namespace spi

// What spi-sim writes after a run: the JSON record and the plain summary.
#pragma once

#include "research/user_steps.h"

#include <ostream>
#include <string>

namespace spi::cli {

void WriteJson(std::ostream &out, const RunRecord &r);
// The results window's table and labels as text.
void WriteSummary(std::ostream &out, const RunRecord &r);

} // namespace spi::cli

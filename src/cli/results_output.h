// What spi-sim writes after a run besides the JSON record (io/run_json.h): the plain summary.
#pragma once

#include "io/run_json.h"
#include "research/user_steps.h"

#include <ostream>
#include <string>

namespace spi::cli {

// The results window's table and labels as text.
void WriteSummary(std::ostream &out, const RunRecord &r);

} // namespace spi::cli

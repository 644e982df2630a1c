// What spi-sim writes after a run: the JSON record and the plain summary.
#pragma once

#include "chain/stat_runs.h"
#include "model/model_state.h"

#include <ostream>
#include <string>

namespace spi::cli {

struct RunRecord {
    bool stat2 = true;
    int structure = 1; // 1 dk, 2 ru
    RunResult result;
    double elapsedSeconds = 0;
};

void WriteJson(std::ostream &out, const ModelState &m, const RunRecord &r);
// The results window's table and labels as text.
void WriteSummary(std::ostream &out, const ModelState &m, const RunRecord &r);

} // namespace spi::cli

// The texts of the results window after a run.
#pragma once

#include "chain/stat_runs.h"
#include "model/model_state.h"

namespace spi {

// Finds lastMultiplicity: the highest index up to limit (and up to the run's word length n) whose
// entry before or after decoding is non-zero; -1 when there is none.
int FindLastMultiplicity(const ModelState &m, int n, int limit);

ResultsView MakeStat1View(const ModelState &m, int lastMultiplicity);
ResultsView MakeStat2View(const ModelState &m, int lastMultiplicity);

} // namespace spi

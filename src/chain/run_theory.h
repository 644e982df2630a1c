// The figures of theory and batch means beside a completed run, from the model as the run left it.
#pragma once

#include "model/model_state.h"

#include <string>
#include <vector>

namespace spi {

// For "Стат 1" (withCoder false) or "Стат2": the exact distribution of errors per word and the
// mean error probability of the discrete channel, the decoder's guarantee, the agreement of the
// run with theory and the batch-means half-widths; each absent with its reason where it cannot be
// given. Reads the run's batch tally, the channel, the code and the interleaver's order.
RunTheory MakeRunTheory(const ModelState &m, bool withCoder);

// The lines the results window shows under its figures.
std::vector<std::string> TheoryLines(const RunTheory &theory, bool withCoder);

} // namespace spi

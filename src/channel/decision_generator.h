// Errors of the decision-device variant: the demodulator and the decision device simulated bit by
// bit on tables of noise drawn at the first call of a run.
#pragma once

#include "model/model_state.h"

#include <optional>
#include <string>

namespace spi {

// Fills errorVector[1..length]; blockNo 1 builds the tables and the threshold shift.
void GenerateDecisionErrors(ModelState &m, int length, long long blockNo);

// The threshold of non-coherent "АМ" in thousandths of the amplitude, from hpReal.
std::int32_t NonCoherentAmThreshold(const ModelState &m);

// Settings this generator cannot run (Hp not positive or not finite, md not 0.5, 1.0 or 2.0):
// the message for the run's refusal, or nullopt.
std::optional<std::string> CheckDecisionDeviceSettings(const ModelState &m);

} // namespace spi

// Errors of the decision-device variant: the demodulator and the decision device simulated bit by
// bit on tables of noise drawn at the first call of a run.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace spi {

// Fills errors[1..length] with draws from random; blockNo 1 builds the device's tables and its
// threshold shift into state from the continuous-channel parameters, later blocks only read them.
void GenerateDecisionErrors(const ModelParameters &p, DecisionDeviceState &state, Random &random,
                            std::span<std::uint8_t, kMaxBlock + 1> errors, int length,
                            long long blockNo);

// The threshold of non-coherent "АМ" in thousandths of the amplitude, from hpReal.
std::int32_t NonCoherentAmThreshold(const DecisionDeviceState &state);

// Settings this generator cannot run (Hp not positive or not finite, md not 0.5, 1.0 or 2.0):
// the message for the run's refusal, or nullopt.
std::optional<std::string> CheckDecisionDeviceSettings(const ModelParameters &p);

} // namespace spi

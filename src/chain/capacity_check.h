// The limits of the model, checked once before a run starts: a run never writes outside a buffer.
#pragma once

#include "model/model_state.h"

#include <optional>
#include <string>

namespace spi {

// nullopt when the run can start; otherwise the message that says which limit and which value.
std::optional<std::string> CheckStat1Limits(const ModelState &m);
std::optional<std::string> CheckStat2Limits(const ModelState &m);

} // namespace spi

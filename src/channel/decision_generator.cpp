#include "channel/decision_generator.h"

namespace spi {
void GenerateDecisionErrors(ModelState &, int, long long) {}
std::int32_t NonCoherentAmThreshold(const ModelState &) { return 0; }
std::optional<std::string> CheckDecisionDeviceSettings(const ModelState &) { return std::nullopt; }
} // namespace spi

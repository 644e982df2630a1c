#include "report/curve_export.h"

namespace spi {
std::string SweepCsv(const std::string &, const std::vector<SweepPoint> &) { return {}; }
std::string SweepJson(const std::string &, const std::vector<SweepPoint> &) { return {}; }
std::string SweepSvg(const std::string &, const std::vector<SweepPoint> &, const std::string &) { return {}; }
std::string DistributionsCsv(const ModelState &, bool) { return {}; }
} // namespace spi

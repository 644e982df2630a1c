// Research results as files: sweep curves as CSV, JSON and an SVG plot, and the distributions of
// the last run as CSV.
#pragma once

#include "model/model_state.h"
#include "research/sweep.h"

#include <string>
#include <vector>

namespace spi {

std::string SweepCsv(const std::string &field, const std::vector<SweepPoint> &points);
std::string SweepJson(const std::string &field, const std::vector<SweepPoint> &points);
// Pвх and Pвых against the parameter on a logarithmic axis with their confidence bars.
std::string SweepSvg(const std::string &field, const std::vector<SweepPoint> &points,
                     const std::string &title);
// The last run's distributions before and after decoding and its figures, one row per
// multiplicity.
std::string DistributionsCsv(const ModelState &m, bool withCoder);

} // namespace spi

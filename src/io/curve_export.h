// Research results as files: sweep curves as CSV, JSON and an SVG plot, and the distributions of
// the last run as CSV. A sweep's files say where they come from: the CSV in a first comment line
// ("# spi-sim 1.0.0: spi-sim sweep ..."), the JSON in its provenance keys (io/run_json.h), the
// plot in its <desc>.
#pragma once

#include "io/run_json.h"
#include "model/model_state.h"
#include "research/sweep.h"

#include <string>
#include <vector>

namespace spi {

std::string SweepCsv(const std::string &field, const std::vector<SweepPoint> &points,
                     const Provenance &from);
// cycleExceeded[i]: point i needed more draws than the generator's cycle (false where not given).
std::string SweepJson(const std::string &field, const std::vector<SweepPoint> &points,
                      const Provenance &from, const std::vector<bool> &cycleExceeded = {});
// Pвх and Pвых against the parameter on a logarithmic axis with their confidence bars.
std::string SweepSvg(const std::string &field, const std::vector<SweepPoint> &points,
                     const std::string &title, const Provenance &from);
// The last run's distributions before and after decoding and its figures, one row per
// multiplicity.
std::string DistributionsCsv(const ModelState &m, bool withCoder);

} // namespace spi

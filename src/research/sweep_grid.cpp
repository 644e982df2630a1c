#include "research/sweep_grid.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace spi {

namespace {

double Meant(double x) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    double y = x;
    if (ec == std::errc())
        std::from_chars(buf, end, y, std::chars_format::general);
    return y;
}

} // namespace

SweepGrid MakeSweepGrid(double from, double to, double step, std::size_t maxPoints) {
    SweepGrid grid;
    const double span = (to - from) / step;
    if (step == 0 || !std::isfinite(span) || span < 0) {
        grid.problem = SweepGridProblem::NoWay;
        return grid;
    }
    grid.count = std::floor(span + 1e-9) + 1;
    if (grid.count > static_cast<double>(maxPoints)) {
        grid.problem = SweepGridProblem::TooMany;
        return grid;
    }
    for (int i = 0; i < static_cast<int>(grid.count); ++i)
        grid.values.push_back(Meant(from + i * step));
    return grid;
}

} // namespace spi

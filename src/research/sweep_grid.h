// The values of a sweep given by its first and last value and its step, the same for spi-sim and
// the "Кривая" window.
#pragma once

#include <cstddef>
#include <vector>

namespace spi {

enum class SweepGridProblem {
    None,
    NoWay,   // the step does not lead from the first value to the last (0, wrong sign, not finite)
    TooMany, // more points than the caller allows
};

struct SweepGrid {
    SweepGridProblem problem = SweepGridProblem::None;
    double count = 0; // the number of points the range holds (also when there are too many)
    std::vector<double> values;
};

// from, from + step, ... while not past `to`. A relative allowance keeps the last value when
// (to - from) / step falls just short of a whole number in binary (0 .. 1 by 0.1 ends at 1), and
// each value is the one with 15 significant digits that from + i*step stands for (0.3, not
// 0.30000000000000004): the value the user meant and would type into a dialog.
SweepGrid MakeSweepGrid(double from, double to, double step, std::size_t maxPoints);

} // namespace spi

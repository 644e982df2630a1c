// The sweep's value grid as typed, and its limits.
#include "research/sweep_grid.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SweepGrid, ValuesAsTypedAndItsLimits) {
    struct Case {
        double from, to, step;
        std::size_t maxPoints;
        spi::SweepGridProblem problem;
        std::vector<double> values; // checked when there is no problem
    };
    const Case cases[] = {
        {0.1, 0.3, 0.1, 200, spi::SweepGridProblem::None, {0.1, 0.2, 0.3}},
        {0, 1, 0.25, 200, spi::SweepGridProblem::None, {0, 0.25, 0.5, 0.75, 1}},
        {1, 0, -0.5, 200, spi::SweepGridProblem::None, {1, 0.5, 0}},
        {2, 2, 1, 200, spi::SweepGridProblem::None, {2}},
        {0, 1, 0, 200, spi::SweepGridProblem::NoWay, {}},
        {0, 1, -1, 200, spi::SweepGridProblem::NoWay, {}},
        {0, 1e308, 1e-308, 200, spi::SweepGridProblem::NoWay, {}},
        {0, 200, 1, 200, spi::SweepGridProblem::TooMany, {}},
    };
    for (const Case &c : cases) {
        const spi::SweepGrid g = spi::MakeSweepGrid(c.from, c.to, c.step, c.maxPoints);
        EXPECT_EQ(g.problem, c.problem) << c.from << ".." << c.to << " by " << c.step;
        if (c.problem == spi::SweepGridProblem::None) {
            EXPECT_EQ(g.values, c.values) << c.from << ".." << c.to << " by " << c.step;
        }
    }
    const spi::SweepGrid tenths = spi::MakeSweepGrid(0, 1, 0.1, 200);
    ASSERT_EQ(tenths.values.size(), 11u);
    EXPECT_EQ(tenths.values[3], 0.3);
    EXPECT_EQ(tenths.values.back(), 1.0);
    EXPECT_EQ(spi::MakeSweepGrid(0, 200, 1, 200).count, 201);
}

} // namespace

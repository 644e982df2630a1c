#include "model/random.h"

#include <gtest/gtest.h>

namespace {

TEST(Random, SequenceOfTheGeneratorIsPinned) {
    spi::Random r;
    r.seed = 0;
    EXPECT_EQ(r.Next(), 1u);
    EXPECT_EQ(r.Next(), 134775814u);
    EXPECT_EQ(r.Next(), 134775814u * 134775813u + 1u);
    r.seed = 0xFFFFFFFFu;
    EXPECT_EQ(r.Next(), 0xFFFFFFFFu * 134775813u + 1u); // wraps modulo 2^32
}

TEST(Random, RealAndIntUseTheNewSeed) {
    spi::Random r;
    r.seed = 0;
    EXPECT_EQ(r.RandomReal(), 1.0 / 4294967296.0);
    r.seed = 0x7FFFFFFFu; // next seed 0x7FFFFFFF*134775813+1 mod 2^32
    const std::uint32_t s = 0x7FFFFFFFu * 134775813u + 1u;
    EXPECT_EQ(r.RandomInt(1000),
              static_cast<std::int32_t>((static_cast<std::uint64_t>(s) * 1000u) >> 32));
    // A seed just below 2^32 gives a value below 1 and an index below m.
    spi::Random top;
    top.seed = (0xFFFFFFFFu - 1u) * 0xFFFFFFFFu; // any value; check the ranges over many draws
    for (int i = 0; i < 100000; ++i) {
        const double x = top.RandomReal();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        const int j = top.RandomInt(1000);
        ASSERT_GE(j, 0);
        ASSERT_LT(j, 1000);
    }
}

TEST(Random, ClockSeedIsWithinOneDayOfMilliseconds) {
    EXPECT_LT(spi::ClockSeed(), 24u * 3600u * 1000u);
}

} // namespace

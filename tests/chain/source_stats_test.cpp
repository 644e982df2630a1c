#include "chain/source_stats.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(PrepareTestRun, ClearsTheRunAndPresetsTheWords) {
    auto m = spi::MakeModel();
    m->fixedSeed = 77u;
    m->multBefore.fill(5.0);
    m->cascadeInitMark = 1e20;
    m->rsGeneratorReady = 1e10;
    m->chanState = 3;
    spi::PrepareTestRun(*m, 7, 3, 0, 5, 2, 0);
    EXPECT_EQ(m->random.seed, 77u);
    EXPECT_EQ(m->runSeed, 77u);
    EXPECT_EQ(m->cascadeInitMark, 0.0);
    EXPECT_EQ(m->rsGeneratorReady, 0.0);
    EXPECT_EQ(m->chanState, 0);
    for (int i = 0; i <= 7; ++i)
        EXPECT_EQ(m->multBefore[static_cast<std::size_t>(i)], 0.0);
    EXPECT_EQ(m->multBefore[8], 5.0); // entries above n are left alone
    for (int i = 0; i <= 3; ++i)
        EXPECT_EQ(m->infoWord[static_cast<std::size_t>(i)], 1);
    EXPECT_EQ(m->codeWord[14], 1);
    EXPECT_EQ(m->decoderWork1[7], 1);

    spi::PrepareTestRun(*m, 24, 12, 2, 8, 1, 1);
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(m->infoWord[static_cast<std::size_t>(i)], 0); // Viterbi types start from zeros
}

TEST(MakeSourceWord, KeepsThePreviousWordAndDrawsStrictlyBelowP) {
    auto m = spi::MakeModel();
    m->random.seed = 1;
    m->infoWord.fill(1);
    m->probOne = 0.0;
    spi::MakeSourceWord(*m, 10, 1);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(m->prevInfoWord[static_cast<std::size_t>(i)], 1);
        EXPECT_EQ(m->infoWord[static_cast<std::size_t>(i)], 0);
    }
    m->probOne = 1.0;
    spi::MakeSourceWord(*m, 10, 2); // not the first word of a frame: the previous word stays
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(m->prevInfoWord[static_cast<std::size_t>(i)], 1);
        EXPECT_EQ(m->infoWord[static_cast<std::size_t>(i)], 1);
    }
    // One draw per bit, compared with p.
    m->probOne = 0.5;
    m->random.seed = 99;
    spi::Random ref;
    ref.seed = 99;
    spi::MakeSourceWord(*m, 50, 2);
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(m->infoWord[static_cast<std::size_t>(i)], ref.RandomReal() < 0.5 ? 1 : 0);
    EXPECT_EQ(m->random.seed, ref.seed);
}

TEST(GatherErrorStats, NormalisesAtTheLastBlock) {
    auto m = spi::MakeModel();
    m->channelType = 1;
    spi::PrepareTestRun(*m, 10, 10, 1, 1, 1, 1);
    for (int b = 1; b <= 100; ++b) {
        m->errorVector.fill(0);
        if (b == 40)
            m->errorVector[2] = m->errorVector[5] = m->errorVector[10] = 1;
        spi::GatherErrorStats(*m, 0, 10, b, 100);
        if (b < 100) {
            EXPECT_EQ(m->multBefore[0], static_cast<double>(b - (b >= 40)));
        }
    }
    EXPECT_DOUBLE_EQ(m->multBefore[0], 0.99);
    EXPECT_DOUBLE_EQ(m->multBefore[3], 0.01);
    EXPECT_DOUBLE_EQ(m->pErrIn, 0.003);
    EXPECT_DOUBLE_EQ(m->pErrInConf, 1.3 * std::sqrt(0.003 * 0.997 / 100 / 10 + 1e-20));
    EXPECT_EQ(m->multRowsBefore, 11);
}

TEST(GatherErrorStats, ErrorFreeRunGivesTheLimits) {
    auto m = spi::MakeModel();
    m->channelType = 2;
    m->codeN = 7;
    m->codeK = 3;
    spi::PrepareTestRun(*m, 7, 3, 0, 5, 1, 0);
    for (int b = 1; b <= 5; ++b) {
        spi::GatherErrorStats(*m, 0, 7, b, 5);
        spi::GatherErrorStats(*m, 1, 3, b, 5);
    }
    EXPECT_EQ(m->multBefore[0], 1.0);
    EXPECT_EQ(m->pErrIn, 0.0);
    EXPECT_DOUBLE_EQ(m->pErrInConf, 1.3e-10);
    EXPECT_EQ(m->capacityNoCoder2, 1.0);
    EXPECT_DOUBLE_EQ(m->rateWithCoder, 3.0 / 7.0);
    EXPECT_EQ(m->multRowsAfter, 4);
}

TEST(GatherErrorStats, EveryBitInErrorHasCapacityOneNotNan) {
    auto m = spi::MakeModel();
    m->channelType = 2;
    spi::PrepareTestRun(*m, 4, 4, 1, 1, 1, 1);
    m->errorVector.fill(1);
    spi::GatherErrorStats(*m, 0, 4, 1, 1);
    EXPECT_EQ(m->pErrIn, 1.0);
    EXPECT_EQ(m->capacityNoCoder2, 1.0);
    EXPECT_FALSE(std::isnan(m->pErrInConf));
}

TEST(GatherErrorStats, CountsDifferencesAfterDecoding) {
    auto m = spi::MakeModel();
    m->codeN = 7;
    m->codeK = 3;
    spi::PrepareTestRun(*m, 7, 3, 0, 5, 1, 0);
    m->refInfoWord[1] = 1;
    m->decodedWord[3] = 1;
    spi::GatherErrorStats(*m, 1, 3, 1, 2);
    EXPECT_EQ(m->multAfter[2], 1.0);
    spi::GatherErrorStats(*m, 1, 3, 2, 2);
    EXPECT_DOUBLE_EQ(m->multAfter[2], 1.0);
    EXPECT_DOUBLE_EQ(m->pErrOut, 2.0 / 3.0);
    const double p = 2.0 / 3.0;
    EXPECT_NEAR(m->rateWithCoder,
                (1 + (p * std::log(p) + (1 - p) * std::log(1 - p)) / std::log(2.0)) * 3 / 7, 1e-15);
}

} // namespace

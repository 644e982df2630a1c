#include "chain/source_stats.h"

#include "chain/source_bits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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

namespace {

// The source in groups of draws, in each kind of lanes the processor has, against the
// draw-by-draw reference, over probabilities at and past the ends and word lengths around the
// groups; the byte counts against plain loops.
TEST(FastSourceAndCounts, EqualTheirReferences) {
    for (auto lanes : {spi::SourceLanes::Portable, spi::SourceLanes::Avx2}) {
        if (!spi::SourceLanesAvailable(lanes))
            continue;
        std::uint32_t seed = 99;
        for (double p : {0.0, 0.3, 0.5, 1.0, 1.5})
            for (int k : {1, 31, 32, 33, 100, 1912}) {
                seed = spi::NextSeed(seed);
                auto plain = spi::MakeModel();
                plain->random.seed = seed, plain->probOne = p;
                spi::MakeSourceWordPlain(*plain, k, 2);
                std::vector<std::uint8_t> bits(static_cast<std::size_t>(k));
                std::uint32_t fast = seed;
                spi::DrawSourceBitsWith(lanes, fast, spi::SourceCountBelow(p), bits.data(), k);
                ASSERT_EQ(fast, plain->random.seed);
                ASSERT_TRUE(std::equal(bits.begin(), bits.end(), plain->infoWord.begin() + 1));
                if (k > 64)
                    continue;
                std::uint32_t masked = seed;
                const std::uint64_t mask = spi::DrawSourceMask(masked, spi::SourceCountBelow(p), k);
                ASSERT_EQ(masked, plain->random.seed);
                for (int i = 0; i < k; ++i)
                    ASSERT_EQ(mask >> i & 1u, plain->infoWord[static_cast<std::size_t>(i) + 1]);
            }
    }
    const double ps[] = {0, 1e-12, 0.3, 0.5, 0.9999999999, 1, 1.5, -0.1, std::nan("")};
    auto fast = spi::MakeModel(), plain = spi::MakeModel();
    std::uint32_t seed = 12345;
    for (double p : ps)
        for (int k : {1, 7, 8, 9, 16, 23, 239, 2100}) {
            seed = spi::NextSeed(seed);
            fast->random.seed = plain->random.seed = seed;
            fast->probOne = plain->probOne = p;
            spi::MakeSourceWord(*fast, k, 1 + k % 2);
            spi::MakeSourceWordPlain(*plain, k, 1 + k % 2);
            ASSERT_EQ(fast->random.seed, plain->random.seed) << p << " " << k;
            ASSERT_EQ(fast->infoWord, plain->infoWord) << p << " " << k;
            ASSERT_EQ(fast->prevInfoWord, plain->prevInfoWord);
        }
    std::vector<std::uint8_t> a(300), b(300);
    for (int trial = 0; trial < 200; ++trial) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            seed = spi::NextSeed(seed);
            a[i] = static_cast<std::uint8_t>(seed >> 24);
            b[i] = trial % 2 ? static_cast<std::uint8_t>(seed >> 31) : a[i] ^ (seed >> 20 & 1u);
        }
        const int count = trial % 41 + (trial > 100 ? 250 : 0);
        int sum = 0, differ = 0;
        for (int i = 0; i < count; ++i)
            sum += a[static_cast<std::size_t>(i)],
                differ += a[static_cast<std::size_t>(i)] != b[static_cast<std::size_t>(i)];
        EXPECT_EQ(spi::SumBytes(a.data(), count, count + trial % 9), sum);
        EXPECT_EQ(spi::CountDifferingBytes(a.data(), b.data(), count, count + trial % 9), differ);
    }
}

// The research generator's source as a mask against its doubles compared one by one, with fixed
// probabilities and with the next draw itself or one past it, where comparisons land on the counts.
TEST(FastSourceAndCounts, ResearchMaskEqualsTheDoubles) {
    const double fixed[] = {0, 5e-324, 1e-12, 0.5, 1, 1.5, -0.1, std::nan("")};
    spi::PhiloxDraws fast(7, 3), plain(7, 3);
    for (int c = 0; c < 14; ++c)
        for (int k : {1, 3, 11, 64}) {
            spi::PhiloxDraws peek = plain;
            const double next = peek.Next(), after = peek.Next();
            const double p = c < 8 ? fixed[c] : c % 2 ? next : std::nextafter(after, 1.0);
            const std::uint64_t mask =
                spi::DrawResearchSourceMask(fast, spi::ResearchCountBelow(p), k);
            for (int i = 0; i < k; ++i)
                ASSERT_EQ(mask >> i & 1u, plain.Next() < p ? 1u : 0u) << p << " " << k << " " << i;
        }
    EXPECT_EQ(fast.Taken(), plain.Taken());
}

} // namespace

namespace {

// The errors of runs of words counted from chunk masks, each way the processor has, against the
// bits one by one; widths that cross, fill and straddle the masks' words.
TEST(FastSourceAndCounts, OnesOfRunsCountTheBits) {
    std::vector<std::uint64_t> masks(33);
    std::uint32_t seed = 2026;
    for (std::uint64_t &w : masks) {
        seed = spi::NextSeed(seed);
        const std::uint64_t high = seed;
        seed = spi::NextSeed(seed);
        w = high << 32 | seed;
    }
    masks[3] = ~std::uint64_t{0}, masks[4] = 0;
    const int widths[] = {1, 7, 36, 63, 64, 65, 127, 1000, 2100};
    for (const bool popcnt : {false, true}) {
        if (popcnt && !spi::PopcntAvailable())
            continue;
        for (const int width : widths) {
            const int count = 2100 / width;
            std::vector<int> ones(static_cast<std::size_t>(count));
            spi::OnesOfRunsWith(popcnt, masks.data(), width, count, ones.data());
            for (int r = 0; r < count; ++r) {
                int plain = 0;
                for (int i = r * width; i < (r + 1) * width; ++i)
                    plain +=
                        static_cast<int>(masks[static_cast<std::size_t>(i / 64)] >> i % 64 & 1u);
                ASSERT_EQ(ones[static_cast<std::size_t>(r)], plain)
                    << popcnt << " " << width << " " << r;
            }
        }
    }
}

} // namespace

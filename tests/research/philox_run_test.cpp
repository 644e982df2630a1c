// The research generator: its draws as the counter-based generator defines them, and runs whose
// counts are the same however they are divided.
#include "research/divided_run.h"

#include "forms/channel_step.h"
#include "model/philox.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

TEST(Philox, DrawsAreTheGeneratorsWordsInPairs) {
    // The generator's published answer for a zero counter and key.
    const std::array<std::uint32_t, 4> zero = {0x6627e8d5u, 0xe169c58du, 0xbc57ac4cu, 0x9b00dbd8u};
    EXPECT_EQ(spi::PhiloxDraws::PhiloxBlock(0, 0, 0), zero);
    // Draw d from words 0, 1 (d even) or 2, 3 (d odd) of counter d / 2, across the refills.
    spi::PhiloxDraws draws(7, 3);
    for (std::uint64_t counter = 0; counter < 3 * spi::PhiloxDraws::kBuffered / 2 + 5; ++counter) {
        const auto w = spi::PhiloxDraws::PhiloxBlock(7, 3, counter);
        for (std::size_t half = 0; half < 2; ++half) {
            const std::uint64_t bits = std::uint64_t{w[2 * half]} << 32 | w[2 * half + 1];
            ASSERT_EQ(draws.Next(), static_cast<double>(bits >> 11) * 0x1p-53) << counter;
        }
    }
    EXPECT_EQ(draws.Taken(), 2 * (3 * spi::PhiloxDraws::kBuffered / 2 + 5));
    EXPECT_NE(spi::PhiloxDraws::PhiloxBlock(7, 3, 0), spi::PhiloxDraws::PhiloxBlock(7, 4, 0));
}

// Eight counters at a time give the portable way's draws, also where a counter's low word wraps.
TEST(Philox, WideDrawsAreThePortableOnes) {
    if (!spi::PhiloxWideAvailable())
        GTEST_SKIP() << "no AVX2 on this processor";
    const std::uint64_t firsts[] = {0, 64, (std::uint64_t{1} << 33) - 8, 123456789012ull * 2};
    for (const std::uint32_t seed : {0u, 20261209u, 0xFFFFFFFFu})
        for (const std::uint64_t first : firsts) {
            std::array<double, 64> wide{}, portable{};
            spi::PhiloxDrawsWide(seed, seed ^ 5u, first, wide.size(), wide.data());
            spi::PhiloxDrawsPortable(seed, seed ^ 5u, first, portable.size(), portable.data());
            EXPECT_EQ(wide, portable) << seed << " " << first;
        }
}

struct Case {
    const char *name;
    int channelType; // 1 "ДК", 2 "РУ"
    bool stat2;
    int words;
};

std::unique_ptr<spi::ModelState> Model(const Case &c) {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = c.channelType;
    EXPECT_TRUE(spi::AcceptChannelStep(*m, quiet));
    spi::CoderSettings coder;
    EXPECT_TRUE(spi::AcceptCoderSettings(coder, *m, quiet));
    m->fixedSeed = 20261209u;
    m->wordCount = c.words;
    return m;
}

// Over more than two stretches, with one, two and three threads: the same counts to the bit, and
// not those of the model's generator.
TEST(Philox, DividedRunsCountAlike) {
    const Case cases[] = {{"Стат 1 ДК", 1, false, 150000},
                          {"Стат2 ДК", 1, true, 140000},
                          {"Стат2 РУ", 2, true, 140000}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        spi::SilentNotifier quiet;
        spi::RunOptions philox;
        philox.generator = spi::Generator::Philox;
        std::vector<std::unique_ptr<spi::ModelState>> runs;
        for (int threads = 1; threads <= 3; ++threads) {
            runs.push_back(Model(c));
            const auto r = spi::RunInParallel(*runs.back(), c.stat2, threads, philox, quiet);
            ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
            EXPECT_EQ(r.words, c.words);
        }
        for (std::size_t i = 1; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i]->multBefore, runs[0]->multBefore);
            EXPECT_EQ(runs[i]->multAfter, runs[0]->multAfter);
            EXPECT_EQ(runs[i]->pErrInConf, runs[0]->pErrInConf);
        }
        auto model = Model(c);
        spi::RunInParallel(*model, c.stat2, 1, {}, quiet);
        EXPECT_NE(model->multBefore, runs[0]->multBefore);
        EXPECT_GT(runs[0]->pErrIn, 0.0);
    }
}

// "Стат 1" of an independent channel (p = 0.01 in every state), 10^7 bits for each of 20 seeds:
// every estimate within 4.5 standard deviations of p, and their mean within 4 of its own.
TEST(Philox, AnIndependentChannelIsMeasuredWithoutBias) {
    constexpr double p = 0.01;
    constexpr int words = 10000, n = 1000;
    const double sd = std::sqrt(p * (1 - p) / (double{words} * n));
    double sum = 0;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        auto m = Model({"", 1, false, words});
        m->discParams[3] = m->discParams[4] = m->discParams[5] = p;
        m->stat1WordLength = n;
        m->fixedSeed = seed;
        spi::SilentNotifier quiet;
        spi::RunOptions philox;
        philox.generator = spi::Generator::Philox;
        ASSERT_EQ(spi::RunInParallel(*m, false, 1, philox, quiet).outcome,
                  spi::RunOutcome::Completed);
        const double z = (m->pErrIn - p) / sd;
        EXPECT_LT(std::fabs(z), 4.5) << seed;
        sum += z;
    }
    EXPECT_LT(std::fabs(sum / std::sqrt(20.0)), 4.0);
}

} // namespace

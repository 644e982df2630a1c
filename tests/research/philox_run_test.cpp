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

// Draw d of a stream from its counter d / 2.
std::uint64_t DrawBits(std::uint32_t seed, std::uint32_t stream, std::uint64_t d) {
    const auto w = spi::PhiloxDraws::PhiloxBlock(seed, stream, d / 2);
    return spi::PhiloxBits(w[2 * (d % 2)], w[2 * (d % 2) + 1]);
}

TEST(Philox, DrawsAreTheGeneratorsWordsInPairs) {
    // The generator's published answer for a zero counter and key.
    const std::array<std::uint32_t, 4> zero = {0x6627e8d5u, 0xe169c58du, 0xbc57ac4cu, 0x9b00dbd8u};
    EXPECT_EQ(spi::PhiloxDraws::PhiloxBlock(0, 0, 0), zero);
    EXPECT_NE(spi::PhiloxDraws::PhiloxBlock(7, 3, 0), spi::PhiloxDraws::PhiloxBlock(7, 4, 0));
    // Single draws and runs of pairs taken in turns, from either parity, across the refills: draw d
    // from words 0, 1 (d even) or 2, 3 (d odd) of counter d / 2.
    spi::PhiloxDraws draws(7, 3);
    std::uint64_t d = 0;
    for (std::size_t step = 0; step < 200; ++step) {
        if (step % 3 != 2) {
            const double x = draws.Next();
            ASSERT_EQ(x, spi::PhiloxUnit(DrawBits(7, 3, d))) << d;
            ++d;
            continue;
        }
        const std::size_t pairs = 1 + step * 37 % spi::PhiloxDraws::kMaxPairs;
        const auto ahead = draws.PairsAhead(pairs);
        for (std::size_t i = 0; i < pairs; ++i) {
            ASSERT_EQ(ahead.first[i], DrawBits(7, 3, d + 2 * i)) << d << " " << i;
            ASSERT_EQ(ahead.second[i], DrawBits(7, 3, d + 2 * i + 1)) << d << " " << i;
        }
        draws.Skip(2 * pairs);
        d += 2 * pairs;
    }
    EXPECT_EQ(draws.Taken(), d);
    EXPECT_GT(d, 6 * spi::PhiloxDraws::kCounters);
}

// The vector lanes make the counters one at a time would, whatever the count, also where a
// counter's low word wraps.
TEST(Philox, LanesMakeThePortableDraws) {
    const std::uint64_t firsts[] = {0, 64, (std::uint64_t{1} << 32) - 9, 123456789012ull};
    for (const auto lanes : {spi::PhiloxLanes::Avx2, spi::PhiloxLanes::Avx512}) {
        if (!spi::PhiloxLanesAvailable(lanes))
            continue;
        for (const std::uint32_t seed : {0u, 20261209u, 0xFFFFFFFFu})
            for (const std::uint64_t first : firsts) {
                std::array<std::uint64_t, 77> even{}, odd{}, evenOne{}, oddOne{};
                spi::PhiloxFill(lanes, seed, seed ^ 5u, first, even.size(), even.data(),
                                odd.data());
                spi::PhiloxFill(spi::PhiloxLanes::Portable, seed, seed ^ 5u, first, even.size(),
                                evenOne.data(), oddOne.data());
                EXPECT_EQ(even, evenOne) << seed << " " << first;
                EXPECT_EQ(odd, oddOne) << seed << " " << first;
            }
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

// Theory and batch means beside a run: the batches add up to the run however it is divided, the
// run agrees with theory on the right channel and not on a wrong one, the decoder's guarantee is
// a lower bound that interleaving raises, the batch half-width covers the truth where the
// classic one does not, and every absent figure says why.
#include "chain/batch_means.h"
#include "chain/channel_theory.h"
#include "channel/discrete_channel.h"
#include "forms/channel_step.h"
#include "research/code_choice.h"
#include "research/divided_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace spi {
namespace {

// A channel whose errors come in long bursts: state 2 makes half its bits wrong and is left
// rarely.
void MakeBursty(ModelState &m) {
    auto &d = m.discParams;
    d[kP0] = 0.7, d[kP1] = 0.2, d[kE0] = 0.001, d[kE1] = 0.05, d[kE2] = 0.5, d[kP01] = 0.01,
    d[kP21] = 0.02;
    SilentNotifier quiet;
    ASSERT_TRUE(DeriveDiscreteChannel(m, quiet));
}

// The default chain after "ДК", "Дискретный канал" and "УЗО", with a code of the coder window.
std::unique_ptr<ModelState> Chain(std::uint32_t seed, int codeType = 5, int number = 0) {
    auto m = MakeModel();
    SilentNotifier quiet;
    m->channelType = 1;
    EXPECT_TRUE(AcceptChannelStep(*m, quiet));
    CoderSettings coder;
    std::string why;
    const auto choice = number ? std::optional<int>(number) : std::nullopt;
    EXPECT_TRUE(ApplyCodeChoice(coder, *m, quiet, codeType, choice, &why)) << why;
    EXPECT_TRUE(AcceptCoderSettings(coder, *m, quiet));
    m->fixedSeed = seed;
    return m;
}

RunResult RunTest(ModelState &m, bool stat2, int threads = 1) {
    SilentNotifier quiet;
    return RunInParallel(m, stat2, threads, {}, quiet);
}

TEST(BatchMeans, EveryPartLaysTheSameBatchesOverTheBlocks) {
    for (const long long units : {1LL, 7LL, 30LL, 31LL, 1000LL, 4567LL}) {
        const int batches = static_cast<int>(std::min<long long>(units, kBatchesWanted));
        for (const int parts : {1, 2, 3, 7}) {
            long long offset = 0;
            std::vector<long long> sizes(static_cast<std::size_t>(batches), 0);
            for (int part = 0; part < parts; ++part) {
                BatchCursor cursor(units, batches);
                const long long share = PartShare(units, parts, part);
                for (long long g = offset; g < offset + share; ++g) {
                    const int b = cursor.At(g);
                    ASSERT_EQ(b, g * batches / units) << units << " " << parts << " " << g;
                    ++sizes[static_cast<std::size_t>(b)];
                }
                offset += share;
            }
            const auto [lo, hi] = std::minmax_element(sizes.begin(), sizes.end());
            EXPECT_LE(*hi - *lo, 1) << units;
            EXPECT_GE(*lo, 1) << units;
        }
    }
}

TEST(BatchMeans, HalfWidthIsStudentsOverTheBatchRatios) {
    BatchTally t;
    StartBatchTally(t, 4, 2);
    const long long errors[4] = {3, 5, 1, 7}; // 10 words of 2 bits each
    for (int b = 0; b < 4; ++b)
        t.Words(b) = 10, t.BitsIn(b) = errors[b];
    // Ratios 0.15, 0.25, 0.05, 0.35 around 0.2: sample variance 0.0166..., t(3) = 3.182.
    const double sd = std::sqrt((0.0025 + 0.0025 + 0.0225 + 0.0225) / 3);
    EXPECT_NEAR(*BatchHalfWidth(t, false, 2), 3.182 * sd / 2, 1e-12);
    EXPECT_FALSE(BatchHalfWidth(t, true, 0));
    t.Words(1) = t.Words(2) = t.Words(3) = 0;
    EXPECT_FALSE(BatchHalfWidth(t, false, 2)) << "one filled batch has no spread";
}

// A multiplicity seen once in a long run: the one batch that holds it makes no spread worth the
// name, and the binomial error of the theory keeps z where independent words would put it.
TEST(BatchMeans, RareMultiplicityIsJudgedNoHarsherThanIndependentWords) {
    BatchTally t;
    StartBatchTally(t, 30, 1);
    for (int b = 0; b < 30; ++b)
        t.Words(b) = 1000, t.Mult(b, 0) = 1000;
    t.Mult(7, 0) = 999, t.Mult(7, 1) = 1;
    const double theory[] = {1 - 2e-4, 2e-4}; // 6 words expected with one error
    const double binomialZ = (2e-4 - 1.0 / 30000) / std::sqrt(2e-4 * (1 - 2e-4) / 30000);
    EXPECT_NEAR(*BatchFitMaxZ(t, theory), binomialZ, 1e-9);
}

// The tally of a run holds its counts, and a divided run with a fixed seed repeats its figures.
TEST(RunTheory, TallyAddsUpToTheRunAndDividedRunsRepeat) {
    for (const int threads : {1, 3}) {
        auto a = Chain(11), b = Chain(11);
        a->wordCount = b->wordCount = 9001;
        ASSERT_EQ(RunTest(*a, true, threads).outcome, RunOutcome::Completed);
        RunTest(*b, true, threads);
        const BatchTally &t = a->batchTally;
        long long words = 0, bits = 0;
        for (int k = 0; k < t.batches; ++k)
            words += t.Words(k), bits += t.BitsIn(k);
        EXPECT_EQ(t.batches, 30);
        EXPECT_EQ(words, 9001);
        EXPECT_NEAR(static_cast<double>(bits) / (9001.0 * a->codeN), a->pErrIn, 1e-12);
        EXPECT_EQ(a->theory.pErrInConfBatch, b->theory.pErrInConfBatch);
        EXPECT_EQ(a->theory.pErrOutConfBatch, b->theory.pErrOutConfBatch);
        EXPECT_EQ(a->theory.fitMaxZ, b->theory.fitMaxZ);
        ASSERT_TRUE(a->theory.pErrIn);
        EXPECT_NEAR(*a->theory.pErrIn, 0.12, 1e-15) << "independent errors of 0.12";
    }
}

// Long runs on a bursty channel agree with theory; the same counts against the theory of a
// channel with another E2 do not.
TEST(RunTheory, LongRunsAgreeWithTheRightChannelOnly) {
    for (const bool stat2 : {false, true}) {
        for (std::uint32_t seed = 2026; seed < 2031; ++seed) {
            auto m = Chain(seed);
            MakeBursty(*m);
            m->wordCount = stat2 ? 300000 : 200000;
            ASSERT_EQ(RunTest(*m, stat2, 2).outcome, RunOutcome::Completed);
            ASSERT_TRUE(m->theory.fitMaxZ) << m->theory.fitAbsent;
            EXPECT_LT(*m->theory.fitMaxZ, 4) << "stat2 " << stat2 << " seed " << seed;
            if (seed != 2026)
                continue;
            auto wrong = m->discParams;
            wrong[kE2] = 0.45;
            const int n = stat2 ? m->codeN : m->stat1WordLength;
            const auto z = BatchFitMaxZ(m->batchTally, TheoryErrorCounts(wrong, n));
            ASSERT_TRUE(z);
            EXPECT_GT(*z, 4) << "stat2 " << stat2;
        }
    }
}

// The share of words decoded right is at least the guarantee, and spreading the words over a
// longer interleaver block raises the guarantee on a bursty channel.
TEST(RunTheory, GuaranteeIsALowerBoundThatInterleavingRaises) {
    std::optional<double> bound[2];
    for (const int spread : {0, 1}) {
        auto m = Chain(5);
        MakeBursty(*m);
        m->ilvL = spread ? 300 : 1;
        m->ilvC = spread ? 7 : 1; // the bits of a word some 300 channel positions apart
        m->wordCount = 100000;
        ASSERT_EQ(RunTest(*m, true).outcome, RunOutcome::Completed);
        bound[spread] = m->theory.decodedBound;
        ASSERT_TRUE(bound[spread]) << m->theory.boundAbsent;
        EXPECT_EQ(m->theory.boundT, 1);
        const double se = std::sqrt(*bound[spread] * (1 - *bound[spread]) / 100000);
        EXPECT_GE(m->multAfter[0], *bound[spread] - 4 * se) << "L " << m->ilvL;
    }
    EXPECT_GT(*bound[1], *bound[0] + 0.01);
}

// Where a figure cannot be given it is absent with its reason, never a wrong number.
TEST(RunTheory, AbsentFiguresSayWhy) {
    struct Case {
        int type, number, L, C;
        bool stat2;
        std::uint8_t channel;
        bool theory, bound;
    };
    const Case cases[] = {
        {5, 0, 1, 1, true, 1, true, true},    {5, 0, 1, 1, false, 2, false, false},
        {17, 3, 1, 1, false, 1, true, false}, {17, 3, 1, 1, true, 1, false, false},
        {8, 0, 1, 1, true, 1, true, false},   {18, 3, 1, 1, true, 1, true, true},
        {18, 3, 2, 5, true, 1, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " L " + std::to_string(c.L));
        auto m = Chain(3, c.type, c.number);
        m->channelType = c.channel;
        m->ilvL = c.L, m->ilvC = c.C;
        m->wordCount = 60;
        ASSERT_EQ(RunTest(*m, c.stat2).outcome, RunOutcome::Completed);
        const RunTheory &t = m->theory;
        EXPECT_EQ(!t.multBefore.empty(), c.theory);
        EXPECT_EQ(t.pErrIn.has_value(), c.theory);
        EXPECT_EQ(t.theoryAbsent.empty(), c.theory) << t.theoryAbsent;
        EXPECT_EQ(t.decodedBound.has_value(), c.bound);
        EXPECT_EQ(t.boundAbsent.empty(), c.bound || !c.stat2) << t.boundAbsent;
        EXPECT_TRUE(t.pErrInConfBatch);
    }
    auto m = Chain(3);
    m->wordCount = 1;
    RunTest(*m, true);
    EXPECT_FALSE(m->theory.pErrInConfBatch);
    EXPECT_FALSE(m->theory.fitMaxZ);
    EXPECT_FALSE(m->theory.batchAbsent.empty());
}

// 100 seeded runs on the bursty channel: how often each 95 % half-width covers the true Pвх.
TEST(RunTheory, BatchHalfWidthCoversWhereTheClassicOneDoesNot) {
    int batchCovers = 0, classicCovers = 0;
    double truth = 0;
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
        auto m = Chain(seed);
        MakeBursty(*m);
        m->wordCount = 20000;
        ASSERT_EQ(RunTest(*m, false).outcome, RunOutcome::Completed);
        truth = *m->theory.pErrIn;
        const double miss = std::fabs(m->pErrIn - truth);
        batchCovers += miss <= *m->theory.pErrInConfBatch;
        classicCovers += miss <= m->pErrInConf;
    }
    std::printf("true Pin %.6f: batch half-width covers %d of 100, classic %d of 100\n", truth,
                batchCovers, classicCovers);
    EXPECT_GE(batchCovers, 90);
    EXPECT_LE(classicCovers, 60);
}

} // namespace
} // namespace spi

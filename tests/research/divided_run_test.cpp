// Divided runs add up to one run, one thread is the plain run, parts draw from their own seeds.
#include "research/divided_run.h"

#include "forms/channel_step.h"
#include "model/random.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The default chain as the stage window leaves it after "ДК", "Дискретный канал" and "УЗО",
// optionally with another code chosen in the coder window.
std::unique_ptr<spi::ModelState> Chain(std::uint32_t seed, int codeType = 5) {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = 1;
    EXPECT_TRUE(spi::AcceptChannelStep(*m, quiet));
    spi::CoderSettings coder;
    std::string why;
    if (codeType != 5) {
        EXPECT_TRUE(spi::ApplyCodeChoice(coder, *m, quiet, codeType, std::nullopt, &why)) << why;
    }
    EXPECT_TRUE(spi::AcceptCoderSettings(coder, *m, quiet));
    m->fixedSeed = seed;
    return m;
}

double WordErrors(const spi::ModelState &m, long long words) {
    return (1.0 - m.multAfter[0]) * static_cast<double>(words);
}

void ExpectSameStatistics(const spi::ModelState &a, const spi::ModelState &b) {
    EXPECT_EQ(a.multBefore, b.multBefore);
    EXPECT_EQ(a.multAfter, b.multAfter);
    EXPECT_EQ(a.pErrIn, b.pErrIn);
    EXPECT_EQ(a.pErrInConf, b.pErrInConf);
    EXPECT_EQ(a.pErrOut, b.pErrOut);
    EXPECT_EQ(a.pErrOutConf, b.pErrOutConf);
    EXPECT_EQ(a.wordErrProbAfter, b.wordErrProbAfter);
    EXPECT_EQ(a.rateWithCoder, b.rateWithCoder);
    EXPECT_EQ(a.capacityNoCoder2, b.capacityNoCoder2);
    EXPECT_EQ(a.runSeed, b.runSeed);
}

TEST(Division, TheWorstOutcomeOfThePartsTravelsAsItsSeverity) {
    for (const auto o : {spi::RunOutcome::Completed, spi::RunOutcome::Cancelled,
                         spi::RunOutcome::Abandoned, spi::RunOutcome::Refused})
        EXPECT_EQ(spi::OutcomeOfSeverity(spi::OutcomeSeverity(o)), o);
    EXPECT_LT(spi::OutcomeSeverity(spi::RunOutcome::Cancelled),
              spi::OutcomeSeverity(spi::RunOutcome::Abandoned));
}

TEST(Division, PartsCoverTheRunAndDrawFromDisjointStretches) {
    for (std::uint64_t draws : {0ull, 1ull, 2ull, 1000ull, 12345ull}) {
        spi::Random r{987654321u};
        for (std::uint64_t i = 0; i < draws; ++i)
            r.Next();
        EXPECT_EQ(spi::AdvanceSeed(987654321u, draws), r.seed) << draws;
    }
    EXPECT_EQ(spi::AdvanceSeed(77u, std::uint64_t{1} << 32), 77u); // the whole cycle
    EXPECT_EQ(spi::PartSeed(77u, 0, 4), 77u);
    EXPECT_EQ(spi::PartSeed(77u, 1, 2), spi::AdvanceSeed(77u, std::uint64_t{1} << 31));
    EXPECT_EQ(spi::PartSeed(77u, 3, 4), spi::AdvanceSeed(77u, 3ull << 30));
    EXPECT_EQ(spi::PartSeed(77u, 5, 1), 77u);

    for (long long units : {1LL, 7LL, 333LL, 1000000LL}) {
        long long sum = 0;
        for (int p = 0; p < 5; ++p) {
            const long long share = spi::PartShare(units, 5, p);
            EXPECT_LE(std::abs(share - units / 5), 1);
            sum += share;
        }
        EXPECT_EQ(sum, units);
    }
    EXPECT_EQ(spi::PartShare(3, 5, 4), 0);
}

TEST(Parallel, OneThreadIsThePlainRunBitForBit) {
    for (int type : {5, 8}) {
        for (long long maxWordErrors : {0, 40}) {
            auto plain = Chain(21, type), threaded = Chain(21, type);
            plain->wordCount = threaded->wordCount = 20000;
            spi::SilentNotifier quiet;
            spi::RunOptions opts;
            opts.maxWordErrors = maxWordErrors;
            // Two runs each: what the first leaves behind (Viterbi survivors) feeds the second.
            for (int run = 0; run < 2; ++run) {
                const auto a = spi::RunStat2(*plain, quiet, nullptr, opts);
                const auto b = spi::RunInParallel(*threaded, true, 1, opts, quiet);
                EXPECT_EQ(a.words, b.words);
                EXPECT_EQ(a.view.pErrOut, b.view.pErrOut);
                EXPECT_EQ(a.view.volume, b.view.volume);
                ExpectSameStatistics(*plain, *threaded);
                EXPECT_EQ(plain->random.seed, threaded->random.seed);
                EXPECT_EQ(plain->vitSurvivors, threaded->vitSurvivors);
            }
        }
    }
    auto plain = Chain(4), threaded = Chain(4);
    spi::SilentNotifier quiet;
    spi::RunStat1(*plain, quiet);
    spi::RunInParallel(*threaded, false, 1, {}, quiet);
    ExpectSameStatistics(*plain, *threaded);
}

// The divided run is exactly the sum of its parts run one after another, each from its documented
// seed and share, and normalised once.
TEST(Parallel, ThreadsAddUpTheirPartsExactly) {
    for (int type : {5, 8}) {
        auto m = Chain(1234, type);
        m->ilvL = 3;
        m->ilvC = 13;
        m->wordCount = 1001; // 333 blocks: 167 + 166, the last two words not run
        spi::RecordingNotifier note;
        const auto r = spi::RunInParallel(*m, true, 2, {}, note);
        ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
        EXPECT_TRUE(note.entries.empty());
        EXPECT_EQ(r.words, 999);

        auto first = Chain(1234, type), second = Chain(spi::PartSeed(1234u, 1, 2), type);
        for (auto *p : {first.get(), second.get()}) {
            p->ilvL = 3;
            p->ilvC = 13;
        }
        first->wordCount = 501;
        second->wordCount = 498;
        spi::RunOptions keep;
        keep.keepCounts = true;
        spi::RunStat2(*first, note, nullptr, keep);
        spi::RunStat2(*second, note, nullptr, keep);
        spi::AddRunCounts(*second, *first, true);
        second->wordCount = 1001;
        second->runSeed = 1234;
        spi::FinishRunFromCounts(*second, true, 999, 1001);
        ExpectSameStatistics(*second, *m);
        EXPECT_EQ(m->vitSurvivors, second->vitSurvivors); // carried on from the last part
        EXPECT_EQ(m->wordCount, 1001);
        EXPECT_EQ(m->fixedSeed, std::optional<std::uint32_t>(1234u));
    }

    // "Стат 1" divides words, on the decision-device model too (its tables drawn by each part).
    auto m = Chain(8);
    m->channelType = 2;
    m->channelEntered = 0;
    spi::SilentNotifier quiet;
    ASSERT_TRUE(spi::AcceptChannelStep(*m, quiet));
    m->wordCount = 1000;
    auto parts = std::vector<std::unique_ptr<spi::ModelState>>();
    for (int p = 0; p < 3; ++p) {
        parts.push_back(std::make_unique<spi::ModelState>(*m));
        parts.back()->fixedSeed = spi::PartSeed(8, p, 3);
        parts.back()->wordCount = p == 0 ? 334 : 333;
        spi::RunOptions keep;
        keep.keepCounts = true;
        spi::RunStat1(*parts.back(), quiet, nullptr, keep);
    }
    spi::AddRunCounts(*parts[2], *parts[0], false);
    spi::AddRunCounts(*parts[2], *parts[1], false);
    parts[2]->wordCount = 1000;
    parts[2]->runSeed = 8;
    spi::FinishRunFromCounts(*parts[2], false, 1000, 1000);
    const auto r = spi::RunInParallel(*m, false, 3, {}, quiet);
    EXPECT_EQ(r.words, 1000);
    ExpectSameStatistics(*parts[2], *m);
}

TEST(Parallel, TwoThreadsAgreeWithOneWithinTheHalfWidths) {
    auto one = Chain(99), two = Chain(99);
    one->wordCount = two->wordCount = 300000;
    spi::SilentNotifier quiet;
    spi::RunInParallel(*one, true, 1, {}, quiet);
    const auto r = spi::RunInParallel(*two, true, 2, {}, quiet);
    EXPECT_EQ(r.words, 300000);
    EXPECT_NE(one->multBefore, two->multBefore); // other words were run
    EXPECT_LE(std::fabs(one->pErrIn - two->pErrIn), one->pErrInConf + two->pErrInConf);
    EXPECT_LE(std::fabs(one->pErrOut - two->pErrOut), one->pErrOutConf + two->pErrOutConf);

    // A clock-seeded run says which seed it took, and that seed repeats it.
    auto clocked = Chain(0), again = Chain(0);
    clocked->fixedSeed.reset();
    clocked->wordCount = again->wordCount = 5000;
    spi::RunInParallel(*clocked, true, 2, {}, quiet);
    EXPECT_FALSE(clocked->fixedSeed.has_value());
    again->fixedSeed = clocked->runSeed;
    spi::RunInParallel(*again, true, 2, {}, quiet);
    ExpectSameStatistics(*clocked, *again);
}

TEST(Parallel, StoppingRuleEndsWithNErrorsOverAllThreadsRepeatably) {
    for (int threads : {1, 2, 3}) {
        std::vector<double> firstRun;
        for (int run = 0; run < 2; ++run) {
            auto m = Chain(5);
            m->wordCount = 1000000;
            spi::SilentNotifier quiet;
            spi::RunOptions stop;
            stop.maxWordErrors = 61;
            const auto r = spi::RunInParallel(*m, true, threads, stop, quiet);
            ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
            EXPECT_LT(r.words, 10000);
            const double errors = WordErrors(*m, r.words);
            EXPECT_NEAR(errors, 61, 1e-6) << threads;
            EXPECT_DOUBLE_EQ(m->wordErrProbAfter, errors / static_cast<double>(r.words));
            EXPECT_EQ(r.view.volume, " " + std::to_string(r.words));
            EXPECT_EQ(m->wordCount, 1000000);
            const std::vector<double> counts(m->multBefore.begin(), m->multBefore.begin() + 8);
            if (run == 0)
                firstRun = counts;
            else
                EXPECT_EQ(counts, firstRun) << threads; // the same seed, the same stop
        }
    }
    // A thread that runs out of its blocks first ends with fewer errors than its share.
    auto m = Chain(5);
    m->wordCount = 300;
    spi::SilentNotifier quiet;
    spi::RunOptions stop;
    stop.maxWordErrors = 61;
    const auto r = spi::RunInParallel(*m, true, 2, stop, quiet);
    EXPECT_EQ(r.words, 300);
    EXPECT_LT(WordErrors(*m, r.words), 61);
}

TEST(Parallel, RefusalsAndMessagesAreGivenOnceAndLeaveTheModelAsThePlainRun) {
    auto m = Chain(3);
    m->codeN = 3000;
    spi::RecordingNotifier note;
    const auto before = *m;
    EXPECT_EQ(spi::RunInParallel(*m, true, 2, {}, note).outcome, spi::RunOutcome::Refused);
    EXPECT_EQ(note.entries.size(), 1u);
    EXPECT_EQ(m->multBefore, before.multBefore);

    // Every thread meets the interleaver's refusal; the user hears it once.
    auto plain = Chain(3), threaded = Chain(3);
    spi::RecordingNotifier plainNote, threadNote;
    for (auto *x : {plain.get(), threaded.get()}) {
        x->ilvL = 3;
        x->ilvC = 4;
    }
    const auto a = spi::RunStat2(*plain, plainNote);
    const auto b = spi::RunInParallel(*threaded, true, 2, {}, threadNote);
    EXPECT_EQ(a.outcome, b.outcome);
    ASSERT_EQ(plainNote.entries.size(), 1u);
    ASSERT_EQ(threadNote.entries.size(), 1u);
    EXPECT_EQ(plainNote.entries.front().text, threadNote.entries.front().text);
    EXPECT_EQ(plain->wordCount, threaded->wordCount);

    // A cancellation heard by the first thread stops the others.
    struct CancelSoon : spi::RunProgress {
        int advances = 0, finished = 0;
        void Advance(int) override { ++advances; }
        void Counter(long long) override {}
        void Finished() override { ++finished; }
        bool CancelRequested() override { return advances >= 3; }
    } cancel;
    auto big = Chain(3);
    big->wordCount = 50000000;
    EXPECT_EQ(spi::RunInParallel(*big, true, 2, {}, note, &cancel).outcome,
              spi::RunOutcome::Cancelled);
    EXPECT_EQ(cancel.finished, 1);
}

} // namespace

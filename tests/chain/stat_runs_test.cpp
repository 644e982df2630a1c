#include "chain/stat_runs.h"

#include "coding/gen_poly_parser.h"
#include "forms/channel_forms.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <tuple>

#include <cmath>
#include <numeric>

namespace {

// The default chain as the stage window leaves it after "ДК", "Дискретный канал" and "УЗО".
std::unique_ptr<spi::ModelState> DefaultChain(std::uint32_t seed = 12345u) {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = 1;
    auto f = spi::OpenDiscChannelDialog(*m, quiet);
    EXPECT_TRUE(f.has_value());
    if (f)
        spi::AcceptDiscChannelDialog(*m, *f, quiet);
    spi::parseGenPoly(*m, quiet);
    m->fixedSeed = seed;
    return m;
}

// Independent errors with probability p in every state.
void IndependentErrors(spi::ModelState &m, double p) {
    m.discParams = {0.4, 0.4, 0.2, p, p, p, 0.9, 0.1, 0.1, 0.85, 0.05, 0.1, 0.9, p, 0};
    m.channelEntered = 1;
}

double Sum(const spi::ModelState &m, bool before, int n) {
    const auto &d = before ? m.multBefore : m.multAfter;
    return std::accumulate(d.begin(), d.begin() + n + 1, 0.0);
}

struct CountingProgress : spi::RunProgress {
    int advances = 0, last = 0;
    std::vector<long long> counters;
    void Advance(int c) override {
        ++advances;
        last = c;
    }
    void Counter(long long w) override { counters.push_back(w); }
};

TEST(Stat2, DefaultRunIsPinnedForItsSeed) {
    auto m = DefaultChain();
    spi::RecordingNotifier note;
    const auto r = spi::RunStat2(*m, note);
    ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
    EXPECT_TRUE(note.entries.empty());
    EXPECT_EQ(r.words, 1000);
    EXPECT_TRUE(r.showResults);
    // Golden values of seed 12345: a change here means the order of draws or a decoder changed.
    const std::vector<double> before(m->multBefore.begin(), m->multBefore.begin() + 8);
    const std::vector<double> after(m->multAfter.begin(), m->multAfter.begin() + 4);
    EXPECT_EQ(before, (std::vector<double>{0.405, 0.39, 0.172, 0.028, 0.005, 0, 0, 0}));
    EXPECT_EQ(after, (std::vector<double>{0.854, 0.052, 0.063, 0.031}));
    EXPECT_EQ(m->random.seed, 527319926u);
    EXPECT_DOUBLE_EQ(Sum(*m, true, 7), 1.0);
    EXPECT_DOUBLE_EQ(Sum(*m, false, 3), 1.0);
    EXPECT_DOUBLE_EQ(m->wordErrProbAfter, 1.0 - m->multAfter[0]);
}

TEST(Stat2, SameSeedSameBitsOtherSeedOtherBits) {
    auto a = DefaultChain(7), b = DefaultChain(7), c = DefaultChain(8);
    spi::SilentNotifier quiet;
    spi::RunStat2(*a, quiet);
    spi::RunStat2(*b, quiet);
    spi::RunStat2(*c, quiet);
    EXPECT_EQ(a->multBefore, b->multBefore);
    EXPECT_EQ(a->multAfter, b->multAfter);
    EXPECT_EQ(a->pErrOut, b->pErrOut);
    EXPECT_NE(a->multBefore, c->multBefore);
}

TEST(Stat2, FramesOfThreeWordsRunWhatFitsAndNormaliseOverIt) {
    auto m = DefaultChain();
    m->ilvL = 3;
    m->ilvC = 13; // 21 symbols per frame, a full permutation
    spi::SilentNotifier quiet;
    CountingProgress progress;
    const auto r = spi::RunStat2(*m, quiet, &progress);
    ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
    EXPECT_EQ(r.words, 999);
    EXPECT_DOUBLE_EQ(Sum(*m, true, 7), 1.0);
    EXPECT_EQ(progress.advances, 111);        // 333 blocks, a step of 3 blocks
    EXPECT_EQ(progress.counters.front(), 30); // every 10 blocks, L*b words
}

TEST(Stat2, EveryWordWithAtMostOneErrorIsDecodedRight) {
    // The (7,3) majority decoder corrects every single error, so the share of right words after
    // decoding is at least the share of words with 0 or 1 errors, with and without interleaving.
    for (int L : {1, 3}) {
        auto m = DefaultChain(4242);
        IndependentErrors(*m, 0.08);
        m->ilvL = L;
        m->ilvC = L == 1 ? 1 : 13;
        m->wordCount = 30000;
        spi::SilentNotifier quiet;
        ASSERT_EQ(spi::RunStat2(*m, quiet).outcome, spi::RunOutcome::Completed);
        EXPECT_GE(m->multAfter[0] + 1e-12, m->multBefore[0] + m->multBefore[1]) << "L=" << L;
        EXPECT_LT(m->pErrOut, m->pErrIn);
    }
}

TEST(Stat2, CodeTypeElevenRunsNeitherEncoderNorDecoder) {
    auto m = DefaultChain();
    m->codeType = 11;
    spi::SilentNotifier quiet;
    const auto r = spi::RunStat2(*m, quiet);
    ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
    EXPECT_EQ(m->multAfter[0], 1.0); // nothing decoded, nothing compared against
    EXPECT_EQ(m->codeWord[1], 1);    // the preset stays
    EXPECT_EQ(m->wordErrProbAfter, 0.0);
}

TEST(Stat2, RefusedInterleaverRunsNothing) {
    auto m = DefaultChain();
    m->ilvL = 3;
    m->ilvC = 4;
    spi::RecordingNotifier note;
    const auto r = spi::RunStat2(*m, note);
    EXPECT_EQ(r.outcome, spi::RunOutcome::Abandoned);
    EXPECT_FALSE(r.showResults);
    EXPECT_EQ(m->wordCount, 0);
    EXPECT_EQ(m->wordErrProbAfter, 1.0);
    EXPECT_TRUE(note.Has("Допустимы А=1,L<=10,n/2<C<n*L; Повторите ввод A,L,C в перемежителе!"));
}

// The channel's refusal of a concatenated set, at the first block, ends the run after its warning
// with NB at 0, as a refused interleaver does.
TEST(Stat2, RefusedInnerSetAbandonsTheRun) {
    auto m = DefaultChain();
    spi::SilentNotifier quiet;
    spi::CoderSettings coder;
    ASSERT_TRUE(spi::ApplyCodeChoice(coder, *m, quiet, 16, std::nullopt, nullptr));
    ASSERT_TRUE(spi::ApplyTaps(coder, *m, quiet, {31, 32}, nullptr));
    spi::ApplyInnerPolyList(coder, *m, "1,,2"); // passes the limits, not the generator
    ASSERT_TRUE(spi::AcceptCoderSettings(coder, *m, quiet));
    CountingProgress progress;
    spi::RecordingNotifier note;
    const auto r = spi::RunStat2(*m, note, &progress);
    EXPECT_EQ(r.outcome, spi::RunOutcome::Abandoned);
    EXPECT_FALSE(r.showResults);
    EXPECT_EQ(m->wordCount, 0);
    EXPECT_EQ(note.entries.size(), 1u);
    EXPECT_TRUE(note.Has("Ошибка каскадного набора g(x)."));
    EXPECT_EQ(progress.advances, 0);
}

TEST(Stat2, LimitsAreCheckedBeforeTheSetUp) {
    struct Case {
        const char *what;
        void (*set)(spi::ModelState &);
    };
    const Case cases[] = {
        {"n above 2100", [](spi::ModelState &m) { m.codeN = 2101; }},
        {"n below 1", [](spi::ModelState &m) { m.codeN = 0; }},
        {"k above n", [](spi::ModelState &m) { m.codeK = 8; }},
        {"k below 1", [](spi::ModelState &m) { m.codeK = 0; }},
        {"NB below 1", [](spi::ModelState &m) { m.wordCount = 0; }},
        {"NB below L", [](spi::ModelState &m) { m.ilvL = 5, m.wordCount = 4; }},
        {"n*L above 5000", [](spi::ModelState &m) { m.ilvL = 715; }},
        {"L zero", [](spi::ModelState &m) { m.ilvL = 0; }},
        {"A negative", [](spi::ModelState &m) { m.ilvA = -1; }},
        {"k*L above 4000",
         [](spi::ModelState &m) { m.codeN = 10, m.codeK = 9, m.ilvL = 450, m.wordCount = 10000; }},
        {"g(x) above n-k", [](spi::ModelState &m) { m.genPolyTerms[m.genPolyTermCount++] = 9; }},
        {"syndrome decoder, deg g != n-k",
         [](spi::ModelState &m) { m.codeType = 0, m.genPolyTermCount = 2; }},
        {"syndrome decoder, k(n-k) > 10000",
         [](spi::ModelState &m) { m.codeType = 0, m.codeN = 255, m.codeK = 131; }},
        {"a code type not built yet", [](spi::ModelState &m) { m.codeType = 12; }},
        {"structure not chosen", [](spi::ModelState &m) { m.channelType = 0; }},
    };
    for (const auto &c : cases) {
        auto m = DefaultChain();
        m->multBefore[0] = 0.25; // a previous result that a refusal must keep
        c.set(*m);
        spi::RecordingNotifier note;
        const auto r = spi::RunStat2(*m, note);
        EXPECT_EQ(r.outcome, spi::RunOutcome::Refused) << c.what;
        EXPECT_EQ(note.entries.size(), 1u) << c.what;
        EXPECT_EQ(m->multBefore[0], 0.25) << c.what;
    }
}

TEST(Stat2, LongestWordsAndLargestBlocksRun) {
    auto m = DefaultChain();
    m->codeType = 11;
    m->codeN = 2100;
    m->codeK = 2000;
    m->ilvL = 2; // 4200 symbols, 4000 information symbols
    m->wordCount = 20;
    spi::SilentNotifier quiet;
    EXPECT_EQ(spi::RunStat2(*m, quiet).outcome, spi::RunOutcome::Completed);
    EXPECT_DOUBLE_EQ(Sum(*m, true, 2100), 1.0);
}

TEST(Stat1, IndependentErrorsFollowTheBinomialLaw) {
    auto m = DefaultChain(2024);
    IndependentErrors(*m, 0.1);
    m->stat1WordLength = 20;
    m->wordCount = 200000;
    spi::SilentNotifier quiet;
    ASSERT_EQ(spi::RunStat1(*m, quiet).outcome, spi::RunOutcome::Completed);
    double chi2 = 0;
    for (int e = 0; e <= 8; ++e) {
        const double expected = std::tgamma(21) / (std::tgamma(e + 1) * std::tgamma(21 - e)) *
                                std::pow(0.1, e) * std::pow(0.9, 20 - e);
        const double d = m->multBefore[static_cast<std::size_t>(e)] - expected;
        chi2 += d * d / expected * 200000;
    }
    EXPECT_LT(chi2, 30.0); // 8 degrees of freedom: far beyond any chance deviation
    EXPECT_NEAR(m->pErrIn, 0.1, 0.002);
}

TEST(Stat1, ProgressStepsAndCounter) {
    auto m = DefaultChain();
    spi::SilentNotifier quiet;
    CountingProgress fifty;
    m->wordCount = 50;
    spi::RunStat1(*m, quiet, &fifty);
    EXPECT_EQ(fifty.advances, 50);
    CountingProgress p250;
    m->wordCount = 250;
    spi::RunStat1(*m, quiet, &p250);
    EXPECT_EQ(p250.advances, 125);
    EXPECT_EQ(p250.counters, (std::vector<long long>{100, 200}));
}

TEST(Stat1, ResultsShowOnlyMultiplicitiesOfThisRun) {
    auto m = DefaultChain();
    spi::SilentNotifier quiet;
    m->stat1WordLength = 4;
    m->multBefore[10] = 0.5; // left by an earlier, longer run
    const auto r = spi::RunStat1(*m, quiet);
    ASSERT_TRUE(r.showResults);
    EXPECT_LE(m->lastMultiplicity, 4);
    EXPECT_EQ(r.view.rows.size(), static_cast<std::size_t>(m->lastMultiplicity + 1));
    EXPECT_EQ(r.view.header1, "      До декодирования  n= 4");
    EXPECT_EQ(r.view.header2, "   После декодирования  k= 0");
    EXPECT_EQ(r.view.rows[0][0], "         0");
    EXPECT_EQ(r.view.rows[0][2], std::string(22, ' ') + "0.00");
    EXPECT_EQ(r.view.pErrOut, "  0.00");
    EXPECT_EQ(r.view.volume, " 1000");
}

TEST(Stat1, LimitsAreChecked) {
    for (int n : {0, 2101}) {
        auto m = DefaultChain();
        m->stat1WordLength = n;
        spi::RecordingNotifier note;
        EXPECT_EQ(spi::RunStat1(*m, note).outcome, spi::RunOutcome::Refused);
        EXPECT_EQ(note.entries.size(), 1u);
    }
    auto m = DefaultChain();
    m->stat1WordLength = 2100;
    m->wordCount = 10;
    spi::SilentNotifier quiet;
    EXPECT_EQ(spi::RunStat1(*m, quiet).outcome, spi::RunOutcome::Completed);
}

TEST(StatDialogs, IntegerEntriesAreStoredInOrder) {
    auto m = spi::MakeModel();
    spi::RecordingNotifier note;
    EXPECT_FALSE(spi::AcceptStat1Dialog(*m, "40", "abc", note));
    EXPECT_EQ(m->stat1WordLength, 40); // n is stored before NB is converted
    EXPECT_EQ(m->wordCount, 1000);
    EXPECT_EQ(note.entries.size(), 1u);
    EXPECT_TRUE(spi::AcceptStat2Dialog(*m, " 250 ", note));
    EXPECT_EQ(m->wordCount, 250);
}

} // namespace

namespace {

struct CancellingProgress : spi::RunProgress {
    int advances = 0;
    void Advance(int) override { ++advances; }
    void Counter(long long) override {}
    bool CancelRequested() override { return advances >= 3; }
};

TEST(Runs, CancelStopsAtTheNextStepWithoutResults) {
    auto m = DefaultChain();
    m->wordCount = 10000;
    spi::SilentNotifier quiet;
    CancellingProgress p1, p2;
    const auto r1 = spi::RunStat1(*m, quiet, &p1);
    EXPECT_EQ(r1.outcome, spi::RunOutcome::Cancelled);
    EXPECT_FALSE(r1.showResults);
    EXPECT_EQ(p1.advances, 3);
    const auto r2 = spi::RunStat2(*m, quiet, &p2);
    EXPECT_EQ(r2.outcome, spi::RunOutcome::Cancelled);
    EXPECT_EQ(p2.advances, 3);
}

TEST(Runs, CancelledRunLeavesTheLastCompletedResults) {
    spi::SilentNotifier quiet;
    for (const bool withCoder : {false, true}) {
        auto m = DefaultChain();
        m->wordCount = 10000;
        m->fixedSeed = 5u;
        const auto run = [&](spi::RunProgress *p) {
            return withCoder ? spi::RunStat2(*m, quiet, p) : spi::RunStat1(*m, quiet, p);
        };
        ASSERT_EQ(run(nullptr).outcome, spi::RunOutcome::Completed);
        const auto done = spi::MakeModel();
        *done = *m;
        m->fixedSeed = 6u;
        CancellingProgress stop;
        ASSERT_EQ(run(&stop).outcome, spi::RunOutcome::Cancelled);
        EXPECT_EQ(m->multBefore, done->multBefore) << withCoder;
        EXPECT_EQ(m->multAfter, done->multAfter) << withCoder;
        EXPECT_EQ(std::tie(m->pErrIn, m->pErrInConf, m->pErrOut, m->pErrOutConf,
                           m->wordErrProbAfter, m->rateWithCoder, m->capacityNoCoder2,
                           m->multRowsBefore, m->multRowsAfter, m->runSeed),
                  std::tie(done->pErrIn, done->pErrInConf, done->pErrOut, done->pErrOutConf,
                           done->wordErrProbAfter, done->rateWithCoder, done->capacityNoCoder2,
                           done->multRowsBefore, done->multRowsAfter, done->runSeed))
            << withCoder;
    }
}

} // namespace

namespace {

TEST(RunOptions, KeptCountsFinishedLaterEqualThePlainRun) {
    for (int type : {5, 0}) {
        auto plain = DefaultChain(31), kept = DefaultChain(31);
        for (auto *m : {plain.get(), kept.get()}) {
            if (type == 0) {
                m->codeType = 0; // the (7,3) code with the syndrome decoder, Cm = 1
                IndependentErrors(*m, 0.1);
            }
            m->ilvL = 3;
            m->ilvC = 13;
            m->wordCount = 3000;
        }
        spi::SilentNotifier quiet;
        spi::RunOptions keep;
        keep.keepCounts = true;
        const auto a = spi::RunStat2(*plain, quiet);
        const auto counts = spi::RunStat2(*kept, quiet, nullptr, keep);
        EXPECT_EQ(counts.words, 3000);
        EXPECT_FALSE(counts.showResults);
        const auto b = spi::FinishRunFromCounts(*kept, true, counts.words, kept->wordCount);
        EXPECT_EQ(plain->multBefore, kept->multBefore) << type;
        EXPECT_EQ(plain->multAfter, kept->multAfter) << type;
        EXPECT_EQ(plain->pErrIn, kept->pErrIn);
        EXPECT_EQ(plain->pErrOutConf, kept->pErrOutConf);
        EXPECT_EQ(plain->rateWithCoder, kept->rateWithCoder);
        EXPECT_EQ(plain->wordErrProbAfter, kept->wordErrProbAfter) << type;
        EXPECT_EQ(a.view.pErrOut, b.view.pErrOut);
    }
}

TEST(RunOptions, CountsOfTwoModelsAddUpToOneRun) {
    auto a = DefaultChain(1), b = DefaultChain(2);
    a->wordCount = 700;
    b->wordCount = 300;
    spi::SilentNotifier quiet;
    spi::RunOptions keep;
    keep.keepCounts = true;
    const long long words = spi::RunStat2(*a, quiet, nullptr, keep).words +
                            spi::RunStat2(*b, quiet, nullptr, keep).words;
    spi::AddRunCounts(*a, *b, true);
    EXPECT_EQ(a->multBefore[0] + a->multBefore[1] + a->multBefore[2] + a->multBefore[3] +
                  a->multBefore[4] + a->multBefore[5] + a->multBefore[6] + a->multBefore[7],
              1000.0);
    const auto r = spi::FinishRunFromCounts(*a, true, words, 1000);
    EXPECT_EQ(r.words, 1000);
    double sum = 0;
    for (int i = 0; i <= 3; ++i)
        sum += a->multAfter[static_cast<std::size_t>(i)];
    EXPECT_DOUBLE_EQ(sum, 1.0);
    EXPECT_NEAR(a->pErrIn, 0.12, 0.02);
}

TEST(RunOptions, StoppingRuleEndsOnTheWordOfTheNthError) {
    auto m = DefaultChain(5);
    m->wordCount = 100000;
    spi::SilentNotifier quiet;
    spi::RunOptions stop;
    stop.maxWordErrors = 50;
    const auto r = spi::RunStat2(*m, quiet, nullptr, stop);
    ASSERT_EQ(r.outcome, spi::RunOutcome::Completed);
    EXPECT_LT(r.words, 100000);
    // Exactly 50 of the words run were wrong after decoding, the last of them the last word.
    EXPECT_NEAR((1.0 - m->multAfter[0]) * static_cast<double>(r.words), 50.0, 1e-6);
    EXPECT_DOUBLE_EQ(m->wordErrProbAfter, 50.0 / static_cast<double>(r.words));
    double sum = 0;
    for (int i = 0; i <= 7; ++i)
        sum += m->multBefore[static_cast<std::size_t>(i)];
    EXPECT_DOUBLE_EQ(sum, 1.0);
    EXPECT_TRUE(r.showResults);
    EXPECT_EQ(r.view.volume, " " + std::to_string(r.words)); // the words the figures cover

    // Several models share the count: together they stop at the rule.
    std::atomic<long long> shared{45};
    auto other = DefaultChain(6);
    other->wordCount = 100000;
    spi::RunOptions together = stop;
    together.sharedWordErrors = &shared;
    const auto r2 = spi::RunStat2(*other, quiet, nullptr, together);
    EXPECT_EQ(shared.load(), 50);
    EXPECT_LT(r2.words, r.words);
}

} // namespace

// The draws a run is counted to take before it starts, against the draws real runs take: the
// generator's seed before and after a run gives their number (DrawsBetween).
#include "chain/draw_budget.h"
#include "model/random.h"
#include "research/divided_run.h"
#include "research/user_steps.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spi {
namespace {

TEST(DrawsBetween, CountsTheDrawsBetweenTwoSeeds) {
    for (const std::uint32_t seed : {0u, 1u, 12345u, 4294967295u})
        for (const std::uint64_t d : {0ull, 1ull, 17ull, 65536ull, 4294967295ull})
            EXPECT_EQ(DrawsBetween(seed, AdvanceSeed(seed, d)), d) << seed << " " << d;
    EXPECT_EQ(DrawsBetween(7u, AdvanceSeed(7u, kGeneratorCycle + 5)), 5u); // modulo the cycle
}

struct Case {
    const char *name;
    std::optional<int> code; // --code TYPE
    std::optional<int> number;
    std::vector<int> taps;
    std::vector<std::string> sets; // --set, after the code
    int structure = 1;
    bool stat2 = true;
    std::int32_t words = 3000;
    int threads = 1;
    long long maxWordErrors = 0;
};

struct Prepared {
    std::unique_ptr<UserSteps> steps;
    SilentNotifier silent;
};

// The steps spi-sim takes before a run.
void Prepare(const Case &c, Prepared &p) {
    p.steps = std::make_unique<UserSteps>(p.silent);
    UserSteps &s = *p.steps;
    if (c.code) {
        ASSERT_TRUE(s.ChooseCode(*c.code, c.number).Taken());
    }
    if (!c.taps.empty()) {
        ASSERT_TRUE(s.ChooseTaps(c.taps).Taken());
    }
    for (const auto &a : c.sets)
        ASSERT_TRUE(s.SetField(a).Taken()) << a;
    s.ChooseStructure(c.structure);
    s.ChannelStep();
    if (c.stat2) {
        ASSERT_TRUE(s.CoderStep().Taken());
    }
}

// Every code family the draws depend on: the source's k per word, the channel's two per bit of the
// stream (the longer stream of a concatenated code), the decision device's tables and its two or
// three per bit, an interleaver block of L words, the parts of a divided run.
TEST(DrawBudget, CountsTheDrawsOfRealRuns) {
    const std::vector<Case> cases{
        {"default chain", {}, {}, {}, {}},
        {"(7,3), L = 3, NB not a multiple of L", 5, {}, {}, {"ilvL=3"}, 1, true, 3001},
        {"RS(255,239)", 18, 12, {}, {"contHp=18"}, 1, true, 300},
        {"Viterbi, L = 4", 8, {}, {}, {"ilvL=4"}},
        {"inner Viterbi 1/2", 12, {}, {31, 32}, {}},
        {"inner Viterbi 1/3", 15, {}, {31, 32}, {}},
        {"inner threshold set", 16, {}, {31, 32}, {"innerPolyList=1,2"}},
        {"RS with inner Viterbi", 17, 1, {}, {}, 1, true, 200},
        {"Стат 1, n = 36", {}, {}, {}, {}, 1, false, 5000},
        {"Стат 1, n = 5", {}, {}, {}, {"stat1WordLength=5"}, 1, false, 5001},
        {"РУ", {}, {}, {}, {}, 2},
        {"РУ, Стат 1", {}, {}, {}, {}, 2, false},
        {"РУ non-coherent АМ", {}, {}, {}, {"demodDm=2", "modMd=0.5"}, 2},
        {"РУ non-coherent ФМ, Стат 1", {}, {}, {}, {"demodDm=2", "modMd=2"}, 2, false},
        {"РУ with Hc: the source only", {}, {}, {}, {"contHc=1"}, 2},
        {"two threads", 5, {}, {}, {"ilvL=3"}, 1, true, 3001, 2},
        {"Стат 1, three threads", {}, {}, {}, {}, 1, false, 3001, 3},
        {"stopping rule: a bound", {}, {}, {}, {}, 1, true, 100000, 1, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Prepared p;
        ASSERT_NO_FATAL_FAILURE(Prepare(c, p));
        ModelState planned = p.steps->Model();
        planned.wordCount = c.words;
        const DrawBudget budget = ChainDrawBudget(planned, c.stat2, c.maxWordErrors > 0);
        const RunDraws whole = PlannedRunDraws(planned, c.stat2, c.threads, c.maxWordErrors);
        ASSERT_GT(whole.draws, 0u);

        RunSettings run;
        run.stat2 = c.stat2;
        run.words = c.words;
        run.seed = 20240611u;
        run.threads = c.threads;
        run.maxWordErrors = c.maxWordErrors;
        ASSERT_TRUE(p.steps->Run(run).step.Taken());

        // The model keeps the last part's generator: its share of the units from its own seed.
        const int last = c.threads - 1;
        const long long units = c.words / budget.wordsPerUnit;
        const std::uint64_t measured =
            DrawsBetween(PartSeed(*run.seed, last, c.threads), p.steps->Model().random.seed);
        const std::uint64_t counted =
            budget.Total(PartShare(units, c.threads, last) * budget.wordsPerUnit, 1);
        std::uint64_t sum = 0;
        for (int part = 0; part < c.threads; ++part)
            sum += budget.Total(PartShare(units, c.threads, part) * budget.wordsPerUnit, 1);
        EXPECT_EQ(whole.draws, sum);
        EXPECT_EQ(whole.exact, c.maxWordErrors == 0);
        if (whole.exact)
            EXPECT_EQ(counted, measured);
        else
            EXPECT_GE(counted, measured);
    }
}

// The thresholds: "Стат 1" with n = 36 takes 72 draws per word and one for the channel's first
// state, the default chain 17 per word (3 source bits, 7 channel bits) and one: 252645135 words
// take 2^32 draws exactly, and a second part's first state is one more.
TEST(DrawBudget, WarnsOnlyBeyondTheCycle) {
    SilentNotifier silent;
    UserSteps steps(silent);
    steps.ChooseStructure(1);
    steps.ChannelStep();
    ASSERT_TRUE(steps.CoderStep().Taken());
    ModelState &m = steps.Model();
    struct Row {
        bool stat2;
        std::int32_t words;
        int parts;
        bool exceeds;
    };
    for (const Row &r : {Row{false, 59652323, 1, false}, Row{false, 59652324, 1, true},
                         Row{true, 252645135, 1, false}, Row{true, 252645136, 1, true},
                         Row{true, 252645135, 2, true}}) {
        m.wordCount = r.words;
        EXPECT_EQ(PlannedRunDraws(m, r.stat2, r.parts).ExceedsCycle(), r.exceeds) << r.words;
    }
    EXPECT_EQ(ChainDrawBudget(m, true).PerWord(), 17.0);
    EXPECT_EQ(ChainDrawBudget(m, false).PerWord(), 72.0);

    const std::string exact = GeneratorCycleWarning({5000000000ull, true});
    const std::string bound = GeneratorCycleWarning({5000000000ull, false});
    for (const std::string &text : {exact, bound}) {
        EXPECT_NE(text.find("5000000000"), std::string::npos);
        EXPECT_NE(text.find("2^32 = 4294967296"), std::string::npos);
    }
    EXPECT_NE(bound.find("до 5000000000"), std::string::npos);
    EXPECT_EQ(exact.find("до 5000000000"), std::string::npos);
}

} // namespace
} // namespace spi

// Sweeps follow the user's steps, a refused point does not end them.
#include "research/sweep.h"

#include "chain/channel_theory.h"
#include "forms/channel_forms.h"
#include "forms/channel_step.h"
#include "research/code_choice.h"
#include "research/divided_run.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

spi::SweepSpec HpSweep() {
    spi::SweepSpec plan;
    plan.field = "contHp";
    for (int hp = 1; hp <= 10; ++hp)
        plan.values.push_back(hp);
    return plan;
}

// A model as spi-sim hands it to a sweep: structure chosen, channel and coder steps left to the
// points.
std::unique_ptr<spi::ModelState> SweepBase(int structure, int words) {
    auto m = spi::MakeModel();
    m->channelType = static_cast<std::uint8_t>(structure);
    m->wordCount = words;
    m->fixedSeed = 17;
    return m;
}

void ExpectHalfWidthsOfTheirWords(const std::vector<spi::SweepPoint> &points, int n, int k) {
    for (const auto &p : points) {
        ASSERT_TRUE(p.completed) << p.value << ": " << p.message;
        const auto half = [](double pe, long long words, int len) {
            return 1.3 * std::sqrt((1 - pe) * pe / static_cast<double>(words) / len + 1e-20);
        };
        EXPECT_NEAR(p.pErrInConf, half(p.pErrIn, p.words, n), 1e-12 * p.pErrInConf) << p.value;
        EXPECT_NEAR(p.pErrOutConf, half(p.pErrOut, p.words, k), 1e-12 * p.pErrOutConf) << p.value;
    }
}

TEST(Sweep, HpFromOneToTenLowersPinAndEachHalfWidthIsThatOfItsWords) {
    for (int structure : {1, 2}) {
        auto base = SweepBase(structure, 20000);
        spi::RecordingNotifier note;
        const auto points = spi::RunSweep(*base, HpSweep(), note);
        ASSERT_EQ(points.size(), 10u);
        ExpectHalfWidthsOfTheirWords(points, 7, 3);
        for (std::size_t i = 1; i < points.size(); ++i) {
            EXPECT_LT(points[i].pErrIn, points[i - 1].pErrIn)
                << structure << " Hp " << points[i].value;
            EXPECT_EQ(points[i].words, 20000);
        }
        EXPECT_EQ(base->contHp, 3.0); // the base is not touched
    }

    // With the stopping rule each point runs its own number of words and is normalised over them.
    auto base = SweepBase(1, 2000000);
    auto plan = HpSweep();
    plan.threads = 2;
    plan.options.maxWordErrors = 200;
    spi::SilentNotifier quiet;
    const auto points = spi::RunSweep(*base, plan, quiet);
    ExpectHalfWidthsOfTheirWords(points, 7, 3);
    for (std::size_t i = 1; i < points.size(); ++i)
        EXPECT_GT(points[i].words, points[i - 1].words);
}

TEST(Sweep, ContinuousChannelValuesGoThroughTheDialog) {
    // "Ввод" with a new Hp proposes thresholds H1 = Hp + Hc, H2 = 0.2 H1: the run at Hp = 6 is the
    // one of a model with those fields typed.
    auto base = SweepBase(1, 5000);
    spi::SweepSpec plan;
    plan.field = "contHp";
    plan.values = {6};
    spi::SilentNotifier quiet;
    const auto swept = spi::RunSweep(*base, plan, quiet);

    auto typed = SweepBase(1, 5000);
    auto f = spi::FillContChannel1Dialog(*typed);
    f.hp = "6";
    spi::AcceptContChannel1Dialog(*typed, f);
    EXPECT_EQ(typed->ruThreshold1, 6.0);
    spi::AcceptChannelStep(*typed, quiet);
    spi::CoderSettings coder;
    spi::AcceptCoderSettings(coder, *typed, quiet);
    const auto r = spi::RunStat2(*typed, quiet);
    ASSERT_EQ(swept.size(), 1u);
    EXPECT_EQ(swept[0].words, r.words);
    EXPECT_EQ(swept[0].pErrIn, typed->pErrIn);
    EXPECT_EQ(swept[0].pErrOut, typed->pErrOut);
    EXPECT_EQ(swept[0].capacityNoCoder, typed->discParams[14]);
}

TEST(Sweep, RefusedPointsCarryTheirMessageAndTheSweepGoesOn) {
    auto base = SweepBase(1, 1000);
    spi::RecordingNotifier note;
    spi::SweepSpec plan;
    plan.field = "contHp";
    plan.values = {51, 4};
    auto points = spi::RunSweep(*base, plan, note);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_FALSE(points[0].completed);
    EXPECT_EQ(points[0].message, "Некорректный ввод!"); // not the previous channel's figures
    EXPECT_TRUE(note.Has("Некорректный ввод!"));
    EXPECT_TRUE(points[1].completed);

    for (const auto &[field, value] :
         {std::pair<std::string, double>{"modMd", 0.7}, {"contM", 1.5}, {"ilvL", 2.5}}) {
        plan.field = field;
        plan.values = {value, value};
        int seen = 0;
        points = spi::RunSweep(*base, plan, note,
                               [&](const spi::SweepPoint &, int) { return ++seen < 1; });
        ASSERT_EQ(points.size(), 1u) << field; // onPoint stopped it
        EXPECT_FALSE(points[0].completed) << field;
        EXPECT_NE(points[0].message.find(field), std::string::npos) << points[0].message;
    }

    plan.field = "contHp";
    plan.values = {51};
    plan.stat2 = false;
    points = spi::RunSweep(*base, plan, note);
    EXPECT_FALSE(points[0].completed);
}

// Each point carries the theory of its own channel: "ДК" the mean error probability of the point's
// discParams and the decoder's bound ("Стат2"), "РУ" nothing.
TEST(Sweep, EachPointCarriesTheTheoryOfItsOwnChannel) {
    for (const auto &[structure, withCoder] :
         {std::pair(1, true), std::pair(1, false), std::pair(2, true)}) {
        const bool stat2 = withCoder; // a plain variable: lambdas cannot capture a binding in C++20
        auto base = SweepBase(structure, 3000);
        spi::SweepSpec plan;
        plan.field = "contHp";
        plan.values = {2, 5, 8};
        plan.stat2 = stat2;
        struct Ran {
            std::array<double, 15> discParams;
            std::optional<double> decodedBound;
        };
        std::vector<Ran> ran; // each point's channel and bound as its run left them
        plan.run = [&](spi::ModelState &m, spi::Notifier &n) {
            auto r = spi::RunInParallel(m, stat2, 1, {}, n);
            ran.push_back({m.discParams, m.theory.decodedBound});
            return r;
        };
        spi::SilentNotifier quiet;
        const auto points = spi::RunSweep(*base, plan, quiet);
        ASSERT_EQ(points.size(), ran.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto &p = points[i];
            ASSERT_TRUE(p.completed) << p.message;
            if (structure == 2) {
                EXPECT_FALSE(p.theoryPErrIn || p.theoryWordErrBound) << p.value;
                continue;
            }
            const auto theory = spi::TheoryPErrIn(ran[i].discParams);
            ASSERT_TRUE(theory && p.theoryPErrIn) << p.value;
            EXPECT_EQ(*p.theoryPErrIn, *theory) << p.value;
            EXPECT_EQ(p.theoryWordErrBound.has_value(), stat2) << p.value;
            if (stat2) {
                EXPECT_EQ(*p.theoryWordErrBound, 1 - ran[i].decodedBound.value()) << p.value;
            }
        }
        if (structure == 1) { // the channels differ, and so does their theory
            EXPECT_LT(*points[2].theoryPErrIn, *points[0].theoryPErrIn);
        }
    }
}

} // namespace

// The decision-device generator: its promises, known-answer vectors, and the proof that the fast
// bit loop draws and decides exactly as the plain version below.
#include "channel/decision_generator.h"
#include "channel/discrete_channel.h"
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>

namespace spi {
namespace {

// The generator written out plainly, draw by draw, as the decision device is described.
long double PlainGaussianSum(Random &r) {
    long double s = 0;
    for (int k = 0; k < 12; ++k)
        s += r.RandomReal();
    return s;
}

int PlainIndex(Random &r) {
    const int j = r.RandomInt(1000);
    return j == 0 ? 1 : j;
}

std::int32_t PlainRound(long double x) {
    return static_cast<std::int32_t>(std::nearbyint(x)); // to nearest, ties to even
}

void PlainDecisionErrors(ModelState &m, int length, long long blockNo) {
    if (m.contHc != 0)
        return;
    const bool coherent = m.demodDm == 1;
    const double md = m.modMd;
    if (blockNo == 1) {
        m.hpReal = m.contHp;
        m.noiseSigma =
            static_cast<double>(std::sqrt(1.0L / (static_cast<long double>(m.hpReal) * 2)));
        const long double sigma = m.noiseSigma;
        if (!coherent && md != 2.0) {
            for (int i = 1; i <= 1000; ++i) {
                const long double x = sigma * (PlainGaussianSum(m.random) - 6);
                const long double y = sigma * (PlainGaussianSum(m.random) - 6);
                m.envNoiseTable[i] = PlainRound(1000 * std::sqrt(x * x + y * y));
                m.envSignalTable[i] = PlainRound(1000 * std::sqrt(x * x + (y + 1) * (y + 1)));
            }
            if (md == 0.5)
                m.amThreshold = NonCoherentAmThreshold(m);
        } else {
            for (int i = 1; i <= 1000; ++i)
                m.noiseTable[i] = PlainRound(sigma * 1000 * (PlainGaussianSum(m.random) - 6));
        }
        const long double p = m.probOne;
        if (m.ruCriterion == 0)
            m.mapShift = 0;
        else if (p <= 0.009L || p >= 0.991L)
            m.mapShift = 1.0;
        else
            m.mapShift = static_cast<double>(std::fabs(sigma * 2 * sigma * std::log((1 - p) / p)));
    }
    const long double s = m.mapShift;
    for (int i = 1; i <= length; ++i) {
        const int q = PlainIndex(m.random);
        const int r = PlainIndex(m.random);
        const long double diff = m.noiseTable[q] - m.noiseTable[r];
        bool error = false;
        if (coherent && md == 1.0)
            error = diff >= (s + 1) * 1000;
        else if (coherent && md == 2.0)
            error = diff >= (s + 2) * 1000;
        else if (coherent && md == 0.5)
            error = m.noiseTable[q] >= (s + 1) * 500;
        else if (!coherent && md == 1.0)
            error = m.envSignalTable[r] <= m.envNoiseTable[q];
        else if (!coherent && md == 2.0)
            error = diff >= 1410;
        else if (!coherent && md == 0.5)
            error = m.random.RandomReal() < m.probOne ? m.envSignalTable[r] <= m.amThreshold
                                                      : m.envNoiseTable[q] >= m.amThreshold;
        else
            return;
        m.errorVector[i] = error ? 1 : 0;
    }
}

struct Setting {
    int dm;
    double md;
    double hp = 2.0;
    int criterion = 0;
    double probOne = 0.5;
};

std::unique_ptr<ModelState> Model(const Setting &s, std::uint32_t seed) {
    auto m = MakeModel();
    m->demodDm = s.dm;
    m->modMd = s.md;
    m->contHp = s.hp;
    m->ruCriterion = static_cast<std::int16_t>(s.criterion);
    m->probOne = s.probOne;
    m->random.seed = seed;
    return m;
}

// The generator on the model's own parts, as the chain calls it.
void Generate(ModelState &m, int length, long long blockNo) {
    GenerateDecisionErrors(m, m, m.random, m.errorVector, length, blockNo);
}

// Error bits from position 1 on, four to a hexadecimal digit, the first bit the highest.
std::string Hex(const ModelState &m, int count) {
    std::string s;
    for (int i = 1; i + 3 <= count; i += 4)
        s += "0123456789abcdef"[m.errorVector[i] * 8 + m.errorVector[i + 1] * 4 +
                                m.errorVector[i + 2] * 2 + m.errorVector[i + 3]];
    return s;
}

void ExpectSameRun(const ModelState &a, const ModelState &b) {
    EXPECT_EQ(a.errorVector, b.errorVector);
    EXPECT_EQ(a.random.seed, b.random.seed);
    EXPECT_EQ(a.noiseTable, b.noiseTable);
    EXPECT_EQ(a.envNoiseTable, b.envNoiseTable);
    EXPECT_EQ(a.envSignalTable, b.envSignalTable);
    EXPECT_EQ(a.amThreshold, b.amThreshold);
    EXPECT_EQ(a.mapShift, b.mapShift);
    EXPECT_EQ(a.noiseSigma, b.noiseSigma);
}

TEST(DecisionGeneratorTest, FastLoopMatchesPlainVersion) {
    const int lengths[] = {5000, 1, 7, 36, 2, 4999};
    for (int dm : {1, 0})
        for (double md : {0.5, 1.0, 2.0, 0.7})
            for (double hp : {0.3, 1.05, 2.0, 4.7, 9.0})
                for (auto [criterion, p] : {std::pair{0, 0.5}, {1, 0.3}, {1, 0.9}, {1, 0.005}}) {
                    SCOPED_TRACE(::testing::Message() << "dm " << dm << " md " << md << " Hp " << hp
                                                      << " МАВ " << criterion << " p " << p);
                    const Setting s{dm, md, hp, criterion, p};
                    auto fast = Model(s, 77u + static_cast<std::uint32_t>(hp * 10));
                    auto plain = Model(s, 77u + static_cast<std::uint32_t>(hp * 10));
                    long long block = 1;
                    for (int length : lengths) {
                        Generate(*fast, length, block);
                        PlainDecisionErrors(*plain, length, block);
                        ++block;
                    }
                    ExpectSameRun(*fast, *plain);
                }
}

// Known answers for a fixed seed: the first call builds the tables, the second reuses them. Pinned
// are entries 1, 500 and 999 of the noise table, the noise envelope table and the signal envelope
// table (zero where the set-up builds no such table), the threshold, the shift, the 100 error
// bits of each call and the seed after the second call.
TEST(DecisionGeneratorTest, KnownAnswers) {
    struct Golden {
        const char *name;
        Setting setting;
        std::uint32_t seed;
        std::array<std::int32_t, 9> entries;
        std::int32_t threshold;
        double shift;
        std::uint32_t finalSeed;
        const char *bits;
    };
    // clang-format off
    const Golden cases[] = {
        {"когерентный АМ, МП", {1, 0.5, 2.0}, 1001,
         {257, -327, -17, 0, 0, 0, 0, 0, 0}, 0, 0, 3866629049u,
         "20302062000088014e0000043008853a10a004800090403810"},
        {"когерентный ЧМ, МП", {1, 1.0, 1.0}, 1002,
         {-1000, -299, 11, 0, 0, 0, 0, 0, 0}, 0, 0, 3081531898u,
         "8086003089808c034080040202880000142018800040020100"},
        {"когерентный ФМ, МП", {1, 2.0, 0.5}, 1003,
         {-344, -192, 65, 0, 0, 0, 0, 0, 0}, 0, 0, 2296434747u,
         "00400000400000020080000040000010004000100000000010"},
        {"некогерентный АМ, p(1) = 0.3", {0, 0.5, 2.0, 0, 0.3}, 1004,
         {0, 0, 0, 350, 1319, 380, 1329, 505, 1086}, 719, 0, 3362791124u,
         "930b2848a0000020c53882405329000477d726101ec9d38841"},
        {"некогерентный ЧМ", {0, 1.0, 2.0}, 1005,
         {0, 0, 0, 542, 304, 345, 1425, 712, 992}, 0, 0, 3388994653u,
         "92444141440210888500600481000428108200060000040000"},
        {"некогерентный ФМ, МАВ, p(1) = 0.005", {0, 2.0, 1.0, 1, 0.005}, 1006,
         {613, -1061, -556, 0, 0, 0, 0, 0, 0}, 0, 1, 4236110590u,
         "04000003000140400000000000408104008042800000800900"},
        {"когерентный АМ, МАВ, p(1) = 0.3", {1, 0.5, 2.0, 1, 0.3}, 1007,
         {-531, -135, -369, 0, 0, 0, 0, 0, 0}, 0, 0.42364893019360184, 3451013439u,
         "00000000000400080040000010800084000000100000001002"},
    };
    // clang-format on
    for (const auto &g : cases) {
        SCOPED_TRACE(g.name);
        auto m = Model(g.setting, g.seed);
        Generate(*m, 100, 1);
        const std::string first = Hex(*m, 100);
        Generate(*m, 100, 2);
        EXPECT_EQ(first + Hex(*m, 100), g.bits);
        const std::array<std::int32_t, 9> entries = {
            m->noiseTable[1],     m->noiseTable[500],     m->noiseTable[999],
            m->envNoiseTable[1],  m->envNoiseTable[500],  m->envNoiseTable[999],
            m->envSignalTable[1], m->envSignalTable[500], m->envSignalTable[999]};
        EXPECT_EQ(entries, g.entries);
        EXPECT_EQ(m->amThreshold, g.threshold);
        EXPECT_EQ(m->mapShift, g.shift);
        EXPECT_EQ(m->random.seed, g.finalSeed);
    }
}

double ErrorRate(const Setting &s, int calls = 200) {
    auto m = Model(s, 12345);
    long long errors = 0;
    for (int call = 1; call <= calls; ++call) {
        Generate(*m, kMaxBlock, call);
        errors += std::count(m->errorVector.begin() + 1, m->errorVector.begin() + 1 + kMaxBlock, 1);
    }
    return static_cast<double>(errors) / (static_cast<double>(calls) * kMaxBlock);
}

// A noise sample reaching half the amplitude: with sigma = 0.5 that is one sigma, Q(1) = 0.159.
TEST(DecisionGeneratorTest, CoherentAmAtHp2ErrsInAboutSixteenPercent) {
    const double rate = ErrorRate({1, 0.5, 2.0});
    EXPECT_GT(rate, 0.14);
    EXPECT_LT(rate, 0.18);
}

// A million bits per point from a fixed seed. Where the simulated decision is the one the analytic
// curve describes (coherent АМ and ЧМ: Q(sqrt(md*Hp)); non-coherent ЧМ: 0.5*exp(-Hp/2)) the
// rates agree within what a table of 1000 samples and the rounded Q table allow; "ФМ" and
// non-coherent "АМ" use other decisions, and only the order of the modulations must hold.
TEST(DecisionGeneratorTest, ErrorRatesFollowTheModulationsAndTheAnalyticCurves) {
    for (int dm : {1, 0})
        for (double hp : {1.0, 2.0, 4.0, 8.0}) {
            SCOPED_TRACE(::testing::Message() << "dm " << dm << " Hp " << hp);
            const double am = ErrorRate({dm, 0.5, hp});
            const double fm = ErrorRate({dm, 1.0, hp});
            const double pm = ErrorRate({dm, 2.0, hp});
            EXPECT_LT(pm, fm);
            EXPECT_LT(fm, am);
            auto analytic = [&](double md) {
                auto m = Model({dm, md, hp}, 0);
                return static_cast<double>(BitErrorProb(*m, hp));
            };
            if (hp <= 4) {
                EXPECT_NEAR(fm, analytic(1.0), 0.25 * analytic(1.0));
                if (dm == 1) {
                    EXPECT_NEAR(am, analytic(0.5), 0.25 * analytic(0.5));
                }
            }
        }
}

TEST(DecisionGeneratorTest, MapWithEvenSourceIsMl) {
    for (double md : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE(md);
        auto ml = Model({1, md, 1.0, 0, 0.5}, 4321);
        auto map = Model({1, md, 1.0, 1, 0.5}, 4321);
        for (int call = 1; call <= 3; ++call) {
            Generate(*ml, 3000, call);
            Generate(*map, 3000, call);
            EXPECT_EQ(ml->errorVector, map->errorVector);
        }
        EXPECT_EQ(map->mapShift, 0.0);
        EXPECT_EQ(ml->random.seed, map->random.seed);
    }
}

TEST(DecisionGeneratorTest, MapShift) {
    auto shift = [](double p) {
        auto m = Model({1, 0.5, 2.0, 1, p}, 1);
        Generate(*m, 1, 1);
        return m->mapShift;
    };
    EXPECT_EQ(shift(0.005), 1.0);
    EXPECT_EQ(shift(0.009), 1.0);
    EXPECT_EQ(shift(0.995), 1.0);
    // 2*sigma^2*|ln(0.7/0.3)| with sigma^2 = 1/4.
    EXPECT_NEAR(shift(0.3), 0.5 * std::log(7.0 / 3.0), 1e-15);
    EXPECT_DOUBLE_EQ(shift(0.3), shift(0.7));
    // The bounds are compared in extended precision: the double nearest 0.991 lies below it.
    EXPECT_NEAR(shift(0.991), 0.5 * std::log(0.991 / 0.009), 1e-12);
}

TEST(DecisionGeneratorTest, NonCoherentAmThreshold) {
    auto threshold = [](double hp) {
        auto m = MakeModel();
        m->hpReal = hp;
        return NonCoherentAmThreshold(*m);
    };
    EXPECT_EQ(threshold(2.0), 719);
    EXPECT_EQ(threshold(4.7), 560);
    EXPECT_EQ(threshold(6.0), 500);
    const std::pair<int, int> keys[] = {{10, 1125}, {12, 981}, {14, 883}, {16, 815}, {18, 760},
                                        {20, 719},  {22, 688}, {24, 665}, {26, 647}, {28, 631},
                                        {30, 618},  {32, 606}, {34, 595}, {36, 587}, {38, 580}};
    for (auto [key, value] : keys)
        EXPECT_EQ(threshold(key / 10.0), value) << key;
    EXPECT_EQ(threshold(3.9), 570); // key 39: no entry, below 4.5
    EXPECT_EQ(threshold(0.2), 570);
    EXPECT_EQ(threshold(5.0), 560);
    EXPECT_EQ(threshold(5.01), 500);
    EXPECT_EQ(threshold(1.25), 981); // 12.5 rounds to the even key 12
    // 10 * 1.05 is 10.5000000000000004 in extended precision (10.5 in double): key 11.
    EXPECT_EQ(threshold(1.05), 570);

    // The generator takes the threshold from Hp at the first call of a run.
    auto m = Model({0, 0.5, 2.0}, 5);
    Generate(*m, 10, 1);
    EXPECT_EQ(m->amThreshold, 719);
}

TEST(DecisionGeneratorTest, NonCoherentPmIgnoresTheShift) {
    auto ml = Model({0, 2.0, 1.0, 0, 0.005}, 99);
    auto map = Model({0, 2.0, 1.0, 1, 0.005}, 99);
    Generate(*ml, 5000, 1);
    Generate(*map, 5000, 1);
    EXPECT_EQ(map->mapShift, 1.0);
    EXPECT_EQ(ml->errorVector, map->errorVector);
    EXPECT_EQ(map->envNoiseTable, ml->envNoiseTable);
    EXPECT_EQ(map->envNoiseTable[500], 0); // the Gaussian table, not the envelopes
    EXPECT_NE(map->noiseTable[500], 0);
}

TEST(DecisionGeneratorTest, LaterCallsReuseTheTablesOfTheFirst) {
    auto m = Model({0, 0.5, 2.0}, 31);
    Generate(*m, 100, 1);
    const auto envNoise = m->envNoiseTable;
    const double sigma = m->noiseSigma;
    m->contHp = 8.0;
    m->ruCriterion = 1;
    Generate(*m, 100, 2);
    EXPECT_EQ(m->envNoiseTable, envNoise);
    EXPECT_EQ(m->noiseSigma, sigma);
    EXPECT_EQ(m->hpReal, 2.0);
    EXPECT_EQ(m->amThreshold, 719);
    EXPECT_EQ(m->mapShift, 0.0);
}

TEST(DecisionGeneratorTest, LeavesTheErrorsAsTheyWere) {
    // A random component: nothing is drawn, built or written.
    auto m = Model({1, 0.5, 2.0}, 8);
    m->contHc = 1.0;
    m->errorVector.fill(7);
    Generate(*m, 5000, 1);
    EXPECT_EQ(m->errorVector[1], 7);
    EXPECT_EQ(m->errorVector[5000], 7);
    EXPECT_EQ(m->random.seed, 8u);
    EXPECT_EQ(m->hpReal, 0.0);

    // An unknown md ends the bit loop after the first bit's two index draws.
    auto odd = Model({1, 0.7, 2.0}, 8);
    odd->errorVector.fill(7);
    Generate(*odd, 5000, 1);
    EXPECT_EQ(odd->errorVector[1], 7);
    Random expected{8};
    for (int i = 0; i < 12 * 1000 + 2; ++i)
        expected.Next();
    EXPECT_EQ(odd->random.seed, expected.seed);
}

// Settings the check refuses still give defined results when the generator is called directly:
// infinite or undefined noise saturates the table entries instead of overflowing them.
TEST(DecisionGeneratorTest, RefusedSettingsStayDefinedWhenCalledAnyway) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int dm : {1, 0})
        for (double md : {0.5, 1.0, 2.0})
            for (double hp : {0.0, -1.0, 1e-300, nan}) {
                auto m = Model({dm, md, hp, 1, nan}, 3);
                Generate(*m, 1000, 1);
                EXPECT_LE(*std::max_element(m->errorVector.begin(), m->errorVector.end()), 1);
            }
}

TEST(DecisionGeneratorTest, RefusesSettingsItCannotRun) {
    auto refusal = [](Setting s, double hc = 0) {
        auto m = Model(s, 1);
        m->contHc = hc;
        return CheckDecisionDeviceSettings(*m);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(CheckDecisionDeviceSettings(*MakeModel()));
    for (double hp : {0.0, -1.0, nan, inf}) {
        const auto r = refusal({1, 0.5, hp});
        ASSERT_TRUE(r) << hp;
        EXPECT_NE(r->find("Hp="), std::string::npos) << *r;
    }
    const auto md = refusal({1, 0.7});
    ASSERT_TRUE(md);
    EXPECT_NE(md->find("md=0.7"), std::string::npos) << *md;
    EXPECT_TRUE(refusal({0, 1.5}));
    // p(1) is read by the "МАВ" shift and by non-coherent "АМ" only.
    EXPECT_TRUE(refusal({1, 1.0, 2.0, 1, nan}));
    EXPECT_TRUE(refusal({0, 0.5, 2.0, 0, nan}));
    EXPECT_FALSE(refusal({1, 1.0, 2.0, 0, nan}));
    // A random component makes the generator return before it reads anything: not refused.
    EXPECT_FALSE(refusal({1, 0.7, 0.0}, 1.0));
}

} // namespace
} // namespace spi

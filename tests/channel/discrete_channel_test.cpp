// The discrete channel calculated from the continuous one, and derived from what the user enters.
#include "channel/discrete_channel.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

namespace spi {
namespace {

constexpr const char *kBadInput = "Некорректный ввод!";
constexpr const char *kBadParams = "Некорректный ввод параметров!";

// Composite Simpson rule with an even number of panels.
double Simpson(const std::function<double(double)> &f, double a, double b, int panels = 20000) {
    const double h = (b - a) / panels;
    double sum = f(a) + f(b);
    for (int i = 1; i < panels; ++i)
        sum += f(a + i * h) * (i % 2 ? 4 : 2);
    return sum * h / 3;
}

void ExpectAllFinite(const ModelState &m) {
    for (std::size_t i = 0; i < m.discParams.size(); ++i)
        EXPECT_TRUE(std::isfinite(m.discParams[i])) << "discParams[" << i << "]";
}

// The transition step as the calculation defines it, from the stored values.
void ExpectTransitionsConsistent(const ModelState &m) {
    const auto &d = m.discParams;
    EXPECT_NEAR(d[kP00], 1 - d[kP01], 1e-15);
    EXPECT_NEAR(d[kP10], d[kP01] * d[kP0] / d[kP1], 1e-14);
    EXPECT_NEAR(d[kP12], d[kP21] * d[kP2] / d[kP1], 1e-14);
    EXPECT_NEAR(d[kP11], 1 - d[kP10] - d[kP12], 1e-15);
    EXPECT_NEAR(d[kP22], 1 - d[kP21], 1e-15);
    EXPECT_NEAR(d[kPcp], d[kE0] * d[kP0] + d[kE1] * d[kP1] + d[kE2] * d[kP2], 1e-15);
}

TEST(QTableTest, HoldsTheTableFromEntryOne) {
    EXPECT_EQ(QTable[1], 0.5L);
    EXPECT_EQ(QTable[13], 0.12L);
    EXPECT_EQ(QTable[21], 0.023L);
    EXPECT_EQ(QTable[39], 8.3e-5L);
    EXPECT_EQ(QTable[51], 2e-7L);
    EXPECT_EQ(QTable[52], 1e-25L);
    for (int i = 2; i <= 52; ++i)
        EXPECT_LT(QTable[i], QTable[i - 1]) << i;
}

TEST(BitErrorProbTest, CoherentZeroRatioUsesTheFirstEntry) {
    auto m = MakeModel();
    EXPECT_EQ(BitErrorProb(*m, 0), 0.5L);
}

TEST(BitErrorProbTest, CoherentDefaultsReadEntryThirteen) {
    auto m = MakeModel(); // md = 0.5: 10*sqrt(1.5)+1 = 13.247
    EXPECT_EQ(BitErrorProb(*m, 3), 0.12L);
}

TEST(BitErrorProbTest, CoherentIndexRoundsHalfToEven) {
    auto m = MakeModel();
    m->modMd = 2.0;
    EXPECT_EQ(BitErrorProb(*m, 0.78125), QTable[14]); // 10*1.25+1 = 13.5 -> 14
    EXPECT_EQ(BitErrorProb(*m, 1.53125), QTable[18]); // 10*1.75+1 = 18.5 -> 18
}

TEST(BitErrorProbTest, CoherentTopOfTheTable) {
    auto m = MakeModel();
    // 10*sqrt(0.5*h)+1 = 51.4 rounds to 51; from 51.5 on the last entry holds.
    EXPECT_EQ(BitErrorProb(*m, 2 * 5.04L * 5.04L), QTable[51]);
    EXPECT_EQ(BitErrorProb(*m, 2 * 5.05L * 5.05L), QTable[52]);
    EXPECT_EQ(BitErrorProb(*m, 1e6), 1e-25L);
    EXPECT_EQ(BitErrorProb(*m, 1e300L), 1e-25L);
}

TEST(BitErrorProbTest, NonCoherentPhaseModulationAtOne) {
    auto m = MakeModel();
    m->modMd = 2.0;
    m->demodDm = 0;
    EXPECT_NEAR(static_cast<double>(BitErrorProb(*m, 1)), 0.18394, 5e-6);
    EXPECT_NEAR(static_cast<double>(BitErrorProb(*m, 1)), 0.5 * std::exp(-1.0), 1e-15);
}

TEST(BitErrorProbTest, CoherentNegativeRatioIsNotANumber) {
    auto m = MakeModel();
    EXPECT_TRUE(std::isnan(BitErrorProb(*m, -1)));
}

TEST(HelpersTest, FactorialAndIntPower) {
    EXPECT_EQ(Factorial(0), 1);
    EXPECT_EQ(Factorial(-3), 1);
    EXPECT_EQ(Factorial(1), 1);
    EXPECT_EQ(Factorial(5), 120);
    EXPECT_EQ(Factorial(20), 2432902008176640000.0L);
    EXPECT_TRUE(std::isinf(Factorial(3000)));
    EXPECT_EQ(IntPower(2, 10), 1024);
    EXPECT_EQ(IntPower(-3, 3), -27);
    EXPECT_EQ(IntPower(7, 0), 1);
    EXPECT_EQ(IntPower(7, -2), 1);
    EXPECT_NEAR(static_cast<double>(IntPower(1.5L, 7)), std::pow(1.5, 7), 1e-12);
}

TEST(HelpersTest, UpperGammaOfWholeOrder) {
    EXPECT_NEAR(static_cast<double>(UpperGamma(1, 2)), std::exp(-2.0), 1e-15);
    // 2! * e^-2 * (1 + 2 + 2^2/2)
    EXPECT_NEAR(static_cast<double>(UpperGamma(3, 2)), 10 * std::exp(-2.0), 1e-14);
    EXPECT_NEAR(static_cast<double>(UpperGamma(4, 0)), 6, 1e-15); // Gamma(4)
    // A huge order is not counted out term by term.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(std::isfinite(UpperGamma(1'000'000'000, 1)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(HelpersTest, BesselSeriesIsOneWithoutRegularComponent) {
    auto m = MakeModel();
    m->contHp = 0;
    m->contHc = 1;
    EXPECT_EQ(BesselI0Series(*m, 5), 1);
}

TEST(HelpersTest, BesselSeriesAddsTheFirstTermNotAboveOneHundredth) {
    auto m = MakeModel();
    m->contHp = 1;
    m->contHc = 1;
    // t_k = 0.5^k/(k!)^2: 1, 0.5, 0.0625, 0.00347 (added, then stop)
    const long double expected = 1 + 0.5L + 0.0625L + 0.125L / 36;
    EXPECT_NEAR(static_cast<double>(BesselI0Series(*m, 0.5L)), static_cast<double>(expected),
                1e-15);
    EXPECT_EQ(BesselI0Series(*m, 0), 1);
}

TEST(HelpersTest, BesselSeriesFollowsTheModifiedBesselFunction) {
    auto m = MakeModel();
    m->contHp = 2;
    m->contHc = 1.5;
    for (double x : {0.3, 1.0, 4.0, 12.0}) {
        const double exact = std::cyl_bessel_i(0.0, 2 * std::sqrt(x * 2) / 1.5);
        EXPECT_NEAR(static_cast<double>(BesselI0Series(*m, x)) / exact, 1, 1e-3) << x;
    }
}

TEST(CalcDiscreteChannelTest, DefaultsGiveTheNoFadingExample) {
    auto m = MakeModel();
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.entries.empty());
    const auto &d = m->discParams;
    EXPECT_DOUBLE_EQ(d[kP0], 0.4);
    EXPECT_DOUBLE_EQ(d[kP1], 0.4);
    EXPECT_NEAR(d[kP2], 0.2, 1e-15);
    EXPECT_DOUBLE_EQ(d[kE0], 0.12);
    EXPECT_DOUBLE_EQ(d[kE1], 0.12);
    EXPECT_DOUBLE_EQ(d[kE2], 0.12);
    EXPECT_DOUBLE_EQ(d[kP01], 0.1);
    EXPECT_DOUBLE_EQ(d[kP21], 0.1);
    EXPECT_NEAR(d[kP10], 0.1, 1e-15);
    EXPECT_NEAR(d[kP12], 0.05, 1e-15);
    EXPECT_NEAR(d[kP11], 0.85, 1e-15);
    EXPECT_NEAR(d[kP00], 0.9, 1e-15);
    EXPECT_NEAR(d[kP22], 0.9, 1e-15);
    EXPECT_NEAR(d[kPcp], 0.12, 1e-15);
    EXPECT_EQ(d[kCk], 0); // only the discrete-channel dialog computes it
}

TEST(CalcDiscreteChannelTest, RegularRatioAboveFiftyIsRefused) {
    auto m = MakeModel();
    m->contHp = 51;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Error);
    EXPECT_EQ(n.entries[0].text, kBadInput);
    for (double v : m->discParams)
        EXPECT_EQ(v, 0);
}

TEST(CalcDiscreteChannelTest, NegativeRegularRatioIsRefused) {
    auto m = MakeModel();
    m->contHp = -0.5;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.Has(kBadInput));
}

TEST(CalcDiscreteChannelTest, AfterBadInputTheTransitionsAreRecomputedFromTheOldValues) {
    auto m = MakeModel();
    auto &d = m->discParams;
    d = {};
    d[kP0] = 0.5;
    d[kP1] = 0.3;
    d[kP2] = 0.2;
    d[kE0] = 0.01;
    d[kE1] = 0.1;
    d[kE2] = 0.3;
    d[kP01] = 0.2;
    d[kP21] = 0.15;
    d[kCk] = 0.77;
    m->contHp = 60;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.Has(kBadInput));
    EXPECT_EQ(d[kP0], 0.5);
    EXPECT_EQ(d[kE2], 0.3);
    EXPECT_NEAR(d[kP10], 0.2 * 0.5 / 0.3, 1e-15);
    EXPECT_NEAR(d[kP12], 0.15 * 0.2 / 0.3, 1e-15);
    EXPECT_NEAR(d[kPcp], 0.005 + 0.03 + 0.06, 1e-15);
    EXPECT_EQ(d[kCk], 0.77);
    ExpectTransitionsConsistent(*m);
}

TEST(CalcDiscreteChannelTest, DiversityWithRegularComponentIsRefused) {
    auto m = MakeModel();
    SilentNotifier silent;
    CalcDiscreteChannel(*m, silent);
    const auto before = m->discParams;
    m->contM = 2;
    m->contHp = 1;
    m->contHc = 1;
    m->demodDm = 0;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Error);
    EXPECT_EQ(n.entries[0].text, kBadParams);
    EXPECT_EQ(m->discParams, before);
}

TEST(CalcDiscreteChannelTest, DiversityNeedsNonCoherentReceptionAndEnoughFading) {
    auto m = MakeModel();
    m->contM = 2;
    m->contHp = 0;
    m->contHc = 1;
    m->demodDm = 1;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.Has(kBadParams));
    m->demodDm = 0;
    m->contHc = 0.2;
    RecordingNotifier n2;
    CalcDiscreteChannel(*m, n2);
    EXPECT_TRUE(n2.Has(kBadParams));
    for (double v : m->discParams)
        EXPECT_EQ(v, 0);
}

TEST(CalcDiscreteChannelTest, RiceRefusesWeakFadingAndLargeRatio) {
    auto m = MakeModel();
    m->contHc = 0.5;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.Has(kBadInput));
    m->contHc = 1;
    m->contHp = 50.5;
    RecordingNotifier n2;
    CalcDiscreteChannel(*m, n2);
    EXPECT_TRUE(n2.Has(kBadInput));
}

// Rice channel with a smooth error curve, checked against the density integrated independently
// (Simpson, the library's Bessel function): the midpoint rule of step 0.1 agrees to about 1e-3.
TEST(CalcDiscreteChannelTest, RiceFadingAgreesWithTheIntegratedDensity) {
    auto m = MakeModel();
    m->contHp = 2;
    m->contHc = 1;
    m->ruThreshold1 = 3;
    m->ruThreshold2 = 0.6;
    m->contQ = 0.01;
    m->demodDm = 0;
    m->modMd = 0.5;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.entries.empty());
    ExpectAllFinite(*m);
    ExpectTransitionsConsistent(*m);
    const auto &d = m->discParams;
    const double sum = d[kP0] + d[kP1] + d[kP2];
    EXPECT_GE(sum, 0.999);
    EXPECT_LT(sum, 1.0005);

    const double hp = 2, hc = 1;
    auto density = [&](double s) {
        return std::exp(-(s + hp) / hc) * std::cyl_bessel_i(0.0, 2 * std::sqrt(s * hp) / hc) / hc;
    };
    auto error = [&](double s) { return 0.5 * std::exp(-0.5 * s * 0.5); };
    const double p2 = Simpson(density, 0, 0.6);
    const double p1 = Simpson(density, 0.6, 3);
    const double p0 = 1 - p1 - p2;
    EXPECT_NEAR(d[kP2], p2, 2e-3);
    EXPECT_NEAR(d[kP1], p1, 2e-3);
    EXPECT_NEAR(d[kP0], p0, 2e-3);
    const double e2 = Simpson([&](double s) { return error(s) * density(s); }, 0, 0.6) / p2;
    const double e1 = Simpson([&](double s) { return error(s) * density(s); }, 0.6, 3) / p1;
    const double e0 = Simpson([&](double s) { return error(s) * density(s); }, 3, 80) / p0;
    EXPECT_NEAR(d[kE2] / e2, 1, 5e-3);
    EXPECT_NEAR(d[kE1] / e1, 1, 5e-3);
    EXPECT_NEAR(d[kE0] / e0, 1, 5e-3);
    // Level-crossing transitions, with the stored state probabilities.
    const double p01 = std::sqrt(2 * 3 / hc) * 0.01 *
                       std::cyl_bessel_i(0.0, 2 * std::sqrt(3 * hp) / hc) *
                       std::exp(-(3 + hp) / hc) / d[kP0];
    const double p21 = std::sqrt(2 * 0.6 / hc) * 0.01 *
                       std::cyl_bessel_i(0.0, 2 * std::sqrt(0.6 * hp) / hc) *
                       std::exp(-(0.6 + hp) / hc) / d[kP2];
    EXPECT_NEAR(d[kP01] / p01, 1, 2e-3);
    EXPECT_NEAR(d[kP21] / p21, 1, 2e-3);
}

// Without a regular component the ratio is exponential: P2 = 1 - exp(-H2/Hc).
TEST(CalcDiscreteChannelTest, RayleighFadingStateProbabilities) {
    auto m = MakeModel();
    m->contHp = 0;
    m->contHc = 2;
    m->ruThreshold1 = 2;
    m->ruThreshold2 = 0.4;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n); // coherent, the table's error curve
    EXPECT_TRUE(n.entries.empty());
    ExpectAllFinite(*m);
    const auto &d = m->discParams;
    EXPECT_NEAR(d[kP2], 1 - std::exp(-0.2), 1e-4);
    EXPECT_NEAR(d[kP1], std::exp(-0.2) - std::exp(-1.0), 1e-4);
    EXPECT_NEAR(d[kP0] + d[kP1] + d[kP2], 1, 1e-3);
    EXPECT_GT(d[kE2], d[kE1]);
    EXPECT_GT(d[kE1], d[kE0]);
    EXPECT_NEAR(d[kP01], std::sqrt(2 * 2 / 2.0) * 0.01 * std::exp(-1.0) / d[kP0], 1e-12);
}

// Dual diversity in Rayleigh fading: the summed ratio is gamma distributed with shape m and
// scale Hc, and the error in a state is the non-coherent curve averaged over that state.
TEST(CalcDiscreteChannelTest, DiversityAgreesWithTheIntegratedGammaDensity) {
    auto m = MakeModel();
    m->contM = 2;
    m->contHp = 0;
    m->contHc = 2;
    m->ruThreshold1 = 4;
    m->ruThreshold2 = 0.8;
    m->contQ = 0.01;
    m->demodDm = 0;
    m->modMd = 0.5;
    RecordingNotifier n;
    CalcDiscreteChannel(*m, n);
    EXPECT_TRUE(n.entries.empty());
    ExpectAllFinite(*m);
    ExpectTransitionsConsistent(*m);
    const auto &d = m->discParams;
    const double hc = 2;
    auto density = [&](double h) { return h * std::exp(-h / hc) / (hc * hc); };
    auto error = [&](double h) { return 0.5 * std::exp(-0.5 * h * 0.5); };
    const double p2 = Simpson(density, 0, 0.8);
    const double p1 = Simpson(density, 0.8, 4);
    const double p0 = Simpson(density, 4, 200, 200000);
    EXPECT_NEAR(d[kP0] + d[kP1] + d[kP2], 1, 1e-15);
    EXPECT_NEAR(d[kP2], p2, 1e-10);
    EXPECT_NEAR(d[kP1], p1, 1e-10);
    EXPECT_NEAR(d[kP0], p0, 1e-10);
    EXPECT_NEAR(d[kE2], Simpson([&](double h) { return error(h) * density(h); }, 0, 0.8) / p2,
                1e-10);
    EXPECT_NEAR(d[kE1], Simpson([&](double h) { return error(h) * density(h); }, 0.8, 4) / p1,
                1e-10);
    EXPECT_NEAR(d[kE0],
                Simpson([&](double h) { return error(h) * density(h); }, 4, 200, 200000) / p0,
                1e-10);
    // sqrt(2)*Q*(H/Hc)^m*sqrt(Hc/H)*exp(-H/Hc) / ((m-1)!*P)
    EXPECT_NEAR(d[kP01], std::sqrt(2.0) * 0.01 * 4 * std::sqrt(0.5) * std::exp(-2.0) / d[kP0],
                1e-15);
    EXPECT_NEAR(d[kP21], std::sqrt(2.0) * 0.01 * 0.16 * std::sqrt(2.5) * std::exp(-0.4) / d[kP2],
                1e-15);
}

class DegenerateChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = MakeModel();
        CalcDiscreteChannel(*m, silent);
        before = m->discParams;
    }
    void ExpectRefusedUnchanged() {
        ASSERT_EQ(n.entries.size(), 1u);
        EXPECT_EQ(n.entries[0].text, kBadParams);
        EXPECT_EQ(m->discParams, before);
    }
    std::unique_ptr<ModelState> m;
    SilentNotifier silent;
    RecordingNotifier n;
    std::array<double, 15> before{};
};

TEST_F(DegenerateChannelTest, RiceWithAnEmptyBadState) {
    m->contHc = 1;
    m->ruThreshold2 = 0; // P2 = 0, E2 = 0/0
    CalcDiscreteChannel(*m, n);
    ExpectRefusedUnchanged();
}

TEST_F(DegenerateChannelTest, RiceWithAnEmptyMiddleState) {
    m->contHc = 1;
    m->ruThreshold1 = 0.5;
    m->ruThreshold2 = 0.6; // the middle state gets nothing
    CalcDiscreteChannel(*m, n);
    ExpectRefusedUnchanged();
}

TEST_F(DegenerateChannelTest, RiceWithThresholdsOutOfReachStopsTheIntegration) {
    m->contHp = 0;
    m->contHc = 1;
    m->ruThreshold1 = 2e9;
    m->ruThreshold2 = 1e9;
    const auto start = std::chrono::steady_clock::now();
    CalcDiscreteChannel(*m, n);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ExpectRefusedUnchanged();
}

TEST_F(DegenerateChannelTest, RiceWithNegativeRegularComponent) {
    m->contHp = -3;
    m->contHc = 1;
    CalcDiscreteChannel(*m, n);
    ExpectRefusedUnchanged();
}

TEST_F(DegenerateChannelTest, DiversityWithZeroThreshold) {
    m->contM = 2;
    m->contHp = 0;
    m->contHc = 1;
    m->demodDm = 0;
    m->ruThreshold2 = 0; // sqrt(Hc/H2) and P2 = 0
    CalcDiscreteChannel(*m, n);
    ExpectRefusedUnchanged();
}

TEST_F(DegenerateChannelTest, DiversityOfHugeOrder) {
    m->contM = 1'000'000'000;
    m->contHp = 0;
    m->contHc = 1;
    m->demodDm = 0;
    CalcDiscreteChannel(*m, n);
    ExpectRefusedUnchanged();
}

TEST(DeriveDiscreteChannelTest, DerivesTheRestAndTheCapacity) {
    auto m = MakeModel();
    auto &d = m->discParams;
    d[kP0] = 0.4;
    d[kP1] = 0.4;
    d[kE0] = d[kE1] = d[kE2] = 0.12;
    d[kP01] = 0.1;
    d[kP21] = 0.1;
    RecordingNotifier n;
    EXPECT_TRUE(DeriveDiscreteChannel(*m, n));
    EXPECT_TRUE(n.entries.empty());
    EXPECT_NEAR(d[kP2], 0.2, 1e-15);
    EXPECT_NEAR(d[kP10], 0.1, 1e-15);
    EXPECT_NEAR(d[kP12], 0.05, 1e-15);
    EXPECT_NEAR(d[kP11], 0.85, 1e-15);
    EXPECT_NEAR(d[kP00], 0.9, 1e-15);
    EXPECT_NEAR(d[kP22], 0.9, 1e-15);
    EXPECT_NEAR(d[kPcp], 0.12, 1e-15);
    // Equal error probabilities: Ck = 1 - H(0.12) with the binary entropy H.
    const double h = -(0.12 * std::log2(0.12) + 0.88 * std::log2(0.88));
    EXPECT_NEAR(d[kCk], 1 - h, 1e-15);
    EXPECT_NEAR(d[kCk], 0.470639, 1e-6);
}

TEST(DeriveDiscreteChannelTest, StatesThatAlwaysOrNeverErrAddNothing) {
    auto m = MakeModel();
    auto &d = m->discParams;
    d[kP0] = 0.5;
    d[kP1] = 0.3;
    d[kE0] = 0;
    d[kE1] = 0.5;
    d[kE2] = 1;
    d[kP01] = 0.1;
    d[kP21] = 0.2;
    RecordingNotifier n;
    EXPECT_TRUE(DeriveDiscreteChannel(*m, n));
    EXPECT_NEAR(d[kCk], 1 - 0.3, 1e-15); // only state 1 with H(0.5) = 1
    EXPECT_NEAR(d[kPcp], 0.15 + 0.2, 1e-15);
}

TEST(DeriveDiscreteChannelTest, EmptyMiddleStateIsRefused) {
    auto m = MakeModel();
    SilentNotifier silent;
    CalcDiscreteChannel(*m, silent);
    auto &d = m->discParams;
    const auto before = d;
    d[kP1] = 0;
    auto edited = d;
    RecordingNotifier n;
    EXPECT_FALSE(DeriveDiscreteChannel(*m, n));
    EXPECT_TRUE(n.Has(kBadParams));
    EXPECT_EQ(d, edited); // as it stood: nothing derived from the refused input
    EXPECT_NE(d, before);
}

TEST(DeriveDiscreteChannelTest, ErrorProbabilityAboveOneIsRefused) {
    auto m = MakeModel();
    auto &d = m->discParams;
    d[kP0] = 0.4;
    d[kP1] = 0.4;
    d[kE0] = 1.5; // ln(1 - E0) is not a number
    d[kP01] = 0.1;
    d[kP21] = 0.1;
    RecordingNotifier n;
    EXPECT_FALSE(DeriveDiscreteChannel(*m, n));
    EXPECT_TRUE(n.Has(kBadParams));
    EXPECT_EQ(d[kP10], 0);
}

} // namespace
} // namespace spi

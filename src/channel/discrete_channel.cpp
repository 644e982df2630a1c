#include "channel/discrete_channel.h"

#include "model/rounding.h"

#include <cmath>
#include <limits>

namespace spi {

namespace {

constexpr const char *kBadInput = "Некорректный ввод!";
constexpr const char *kBadParams = "Некорректный ввод параметров!";

// The Rice integration walks the signal-to-noise ratio in steps of 0.1 until the three states
// hold 0.999 of the density. A density that never gets there (it underflowed, or the thresholds
// lie absurdly far out) would keep the dialog busy for ever; 100000 steps reach s = 10000, far
// beyond any ratio of a real channel, in about two seconds at worst.
constexpr long kMaxIntegrationSteps = 100'000;

// 1754! is the largest factorial below the range of long double; beyond it the result is infinite
// anyway, and counting up to it for a diversity order typed as 10^9 would hang the dialog.
constexpr int kLargestFiniteFactorial = 1754;

using Params = std::array<double, 15>;

long double L(double x) {
    return static_cast<long double>(x);
}

bool AllFinite(const Params &d) {
    for (double v : d)
        if (!std::isfinite(v))
            return false;
    return true;
}

// y^k as the series has always evaluated it: 1/exp(-k*ln y).
long double SeriesPower(long double y, int k) {
    return 1.0L / std::exp(-k * std::log(y));
}

// Step 4 of the calculation: the mean error probability and the transition matrix from the state
// probabilities and the two transitions the cases give. Ck is left to the dialog's derivation.
void TransitionStep(Params &d) {
    if (d[kP1] == 0)
        return;
    d[kPcp] =
        static_cast<double>(L(d[kE0]) * L(d[kP0]) + L(d[kE1]) * L(d[kP1]) + L(d[kE2]) * L(d[kP2]));
    d[kP00] = static_cast<double>(1.0L - L(d[kP01]));
    d[kP10] = static_cast<double>(L(d[kP01]) * L(d[kP0]) / L(d[kP1]));
    d[kP12] = static_cast<double>(L(d[kP21]) * L(d[kP2]) / L(d[kP1]));
    d[kP11] = static_cast<double>(1.0L - L(d[kP10]) - L(d[kP12]));
    d[kP22] = static_cast<double>(1.0L - L(d[kP21]));
}

enum class CaseOutcome { Done, BadInput, BadParams };

// A: a constant signal-to-noise ratio Hp; the three states differ only in how long they last.
CaseOutcome NoFading(const ModelParameters &p, Params &d) {
    const long double hp = L(p.contHp);
    if (hp > 50 || hp < 0)
        return CaseOutcome::BadInput;
    const double e = static_cast<double>(BitErrorProb(p, hp));
    d[kE0] = e;
    d[kE1] = e;
    d[kE2] = e;
    d[kP0] = 0.4;
    d[kP1] = 0.4;
    d[kP2] = static_cast<double>(1.0L - L(d[kP0]) - L(d[kP1]));
    d[kP01] = 0.1;
    d[kP21] = 0.1;
    return CaseOutcome::Done;
}

// B: Rice fading. The state probabilities and the mean error probability within each state come
// from the density of the ratio, integrated by the midpoint rule; the transitions from the rate
// at which the ratio crosses each threshold.
CaseOutcome RiceFading(const ModelParameters &p, Params &d) {
    const long double hp = L(p.contHp);
    const long double hc = L(p.contHc);
    if (hp / hc > 50 || hc < 1)
        return CaseOutcome::BadInput;
    const long double h1 = L(p.ruThreshold1);
    const long double h2 = L(p.ruThreshold2);
    const long double q = L(p.contQ);

    for (int i = kP0; i <= kE2; ++i)
        d[i] = 0.0;
    const long double step = 0.1L;
    long double s = 0.05L;
    long steps = 0;
    // Each cell is a stored double, so every sum is rounded as the cell holds it.
    auto add = [&](int prob, int e) {
        const long double w = std::exp(-(s + hp) / hc) * BesselI0Series(p, s) * step / hc;
        d[prob] = static_cast<double>(L(d[prob]) + w);
        d[e] = static_cast<double>(L(d[e]) + BitErrorProb(p, s) * w);
        s += step;
        return ++steps <= kMaxIntegrationSteps;
    };
    while (h2 - s > 0)
        if (!add(kP2, kE2))
            return CaseOutcome::BadParams;
    while (h1 - s > 0)
        if (!add(kP1, kE1))
            return CaseOutcome::BadParams;
    while (L(d[kP0]) + L(d[kP1]) + L(d[kP2]) < 0.999L)
        if (!add(kP0, kE0))
            return CaseOutcome::BadParams;

    d[kE0] = static_cast<double>(L(d[kE0]) / L(d[kP0]));
    d[kE1] = static_cast<double>(L(d[kE1]) / L(d[kP1]));
    d[kE2] = static_cast<double>(L(d[kE2]) / L(d[kP2]));
    d[kP01] = static_cast<double>(std::sqrt(2 * h1 / hc) * q * BesselI0Series(p, h1) *
                                  std::exp(-(h1 + hp) / hc) / L(d[kP0]));
    d[kP21] = static_cast<double>(std::sqrt(2 * h2 / hc) * q * BesselI0Series(p, h2) *
                                  std::exp(-(h2 + hp) / hc) / L(d[kP2]));
    return CaseOutcome::Done;
}

// C: m-fold diversity in Rayleigh fading with a non-coherent demodulator; the ratio summed over
// the branches has a gamma distribution, so everything has a closed form.
CaseOutcome Diversity(const ModelParameters &p, Params &d) {
    const long double hp = L(p.contHp);
    const long double hc = L(p.contHc);
    if (hp != 0 || hc < 0.25L || p.demodDm == 1)
        return CaseOutcome::BadParams;
    const int mm = p.contM;
    const long double h1 = L(p.ruThreshold1);
    const long double h2 = L(p.ruThreshold2);
    const long double q = L(p.contQ);
    const long double f = Factorial(mm - 1);
    const long double a = L(p.modMd) * hc + 2;
    const long double k = IntPower(2 / a, mm);
    const long double sqrt2 = std::sqrt(2.0L);

    d[kP0] = static_cast<double>(UpperGamma(mm, h1 / hc) / f);
    d[kP2] = static_cast<double>(1 - UpperGamma(mm, h2 / hc) / f);
    d[kP1] = static_cast<double>(1 - (L(d[kP0]) + L(d[kP2])));
    d[kP01] = static_cast<double>(sqrt2 * q * IntPower(h1 / hc, mm) * std::sqrt(hc / h1) *
                                  std::exp(-h1 / hc) / (f * L(d[kP0])));
    d[kP21] = static_cast<double>(sqrt2 * q * IntPower(h2 / hc, mm) * std::sqrt(hc / h2) *
                                  std::exp(-h2 / hc) / (f * L(d[kP2])));
    d[kE0] = static_cast<double>(k * UpperGamma(mm, a * h1 / (2 * hc)) / (2 * L(d[kP0]) * f));
    const long double g2 = UpperGamma(mm, (h2 / hc) * a * 0.5L);
    const long double g1 = UpperGamma(mm, (h1 / hc) * a * 0.5L);
    d[kE1] = static_cast<double>(k * (g2 - g1) / (2 * L(d[kP1]) * f));
    d[kE2] = static_cast<double>(k * (f - g2) / (2 * L(d[kP2]) * f));
    return CaseOutcome::Done;
}

// Es*ln Es + (1-Es)*ln(1-Es), with 0*ln 0 = 0 so that a state that always (or never) errs adds
// nothing to the entropy.
long double NegEntropy(long double e) {
    auto xlnx = [](long double x) { return x == 0 ? 0.0L : x * std::log(x); };
    return xlnx(e) + xlnx(1 - e);
}

} // namespace

const std::array<long double, 53> QTable = {
    0.0L,     0.5L,     0.46L,    0.42L,   0.38L,   0.35L,   0.31L,    0.28L,    0.24L,
    0.21L,    0.19L,    0.16L,    0.14L,   0.12L,   0.1L,    0.08L,    0.07L,    0.06L,
    0.05L,    0.04L,    0.03L,    0.023L,  0.02L,   0.014L,  0.011L,   0.008L,   0.006L,
    0.004L,   0.0035L,  0.0026L,  0.0019L, 0.0014L, 0.001L,  0.0007L,  0.0005L,  0.00034L,
    0.00023L, 0.00016L, 0.00011L, 8.3e-5L, 4.8e-5L, 3.2e-5L, 2.05e-5L, 1.35e-5L, 8.5e-6L,
    5.5e-6L,  3.5e-6L,  2.5e-6L,  1.5e-6L, 7e-7L,   4e-7L,   2e-7L,    1e-25L};

long double BitErrorProb(const ModelParameters &p, long double h) {
    const long double md = L(p.modMd);
    if (p.demodDm != 1)
        return 0.5L * std::exp(-md * h * 0.5L);
    if (h == 0)
        return QTable[1];
    const long double x = 10 * std::sqrt(md * h) + 1;
    // A negative md*h has no table entry: the caller's check of its results refuses the NaN.
    if (std::isnan(x))
        return std::numeric_limits<long double>::quiet_NaN();
    if (x >= 52)
        return QTable[52];
    return QTable[static_cast<int>(RoundHalfEven(x))];
}

long double Factorial(int n) {
    if (n > kLargestFiniteFactorial)
        return std::numeric_limits<long double>::infinity();
    long double f = 1;
    for (int i = 2; i <= n; ++i)
        f *= i;
    return f;
}

long double IntPower(long double x, int n) {
    if (n <= 0)
        return 1;
    long double result = 1;
    long double base = x;
    for (unsigned e = static_cast<unsigned>(n);;) {
        if (e & 1u)
            result *= base;
        e >>= 1;
        if (e == 0)
            break;
        base *= base;
    }
    return result;
}

long double UpperGamma(int m, long double x) {
    const long double f = Factorial(m - 1);
    if (std::isinf(f))
        return f;
    long double sum = 0;
    long double term = 1; // x^c/c!
    for (int c = 0; c < m; ++c) {
        sum += term;
        term *= x / (c + 1);
    }
    return f * std::exp(-x) * sum;
}

long double BesselI0Series(const ModelParameters &p, long double x) {
    const long double hp = L(p.contHp);
    if (hp == 0)
        return 1;
    const long double hc = L(p.contHc);
    const long double u = x / hc;
    const long double v = hp / hc;
    long double sum = 1; // t0
    long double previous = 1;
    long double kFactorial = 1;
    // The terms fall off once k passes sqrt(u*v); a NaN term ends the loop (and the caller
    // refuses the result), and the bound keeps a degenerate argument from looping for ever.
    for (int k = 1; previous > 0.01L && k <= 100000; ++k) {
        kFactorial *= k;
        const long double t = (SeriesPower(u, k) / kFactorial) * (SeriesPower(v, k) / kFactorial);
        sum += t;
        previous = t;
    }
    return sum;
}

void CalcDiscreteChannel(ModelParameters &p, Notifier &notifier) {
    Params d = p.discParams;
    CaseOutcome outcome;
    if (p.contM < 2 && p.contHc == 0)
        outcome = NoFading(p, d);
    else if (p.contM < 2)
        outcome = RiceFading(p, d);
    else
        outcome = Diversity(p, d);

    bool reported = false;
    if (outcome == CaseOutcome::BadInput) {
        // The transition step still runs on the values the channel had before.
        notifier.Error(kBadInput);
        reported = true;
        d = p.discParams;
    } else if (outcome == CaseOutcome::BadParams) {
        notifier.Error(kBadParams);
        return;
    }

    TransitionStep(d);
    if (!AllFinite(d)) {
        // A state of probability 0 or a threshold of 0 divides by zero somewhere above. After
        // "Некорректный ввод!" the user has been told already.
        if (!reported)
            notifier.Error(kBadParams);
        return;
    }
    p.discParams = d;
}

bool DeriveDiscreteChannel(ModelParameters &p, Notifier &notifier) {
    Params d = p.discParams;
    d[kP2] = static_cast<double>(1.0L - (L(d[kP0]) + L(d[kP1])));
    d[kP00] = static_cast<double>(1.0L - L(d[kP01]));
    d[kP10] = static_cast<double>(L(d[kP01]) * L(d[kP0]) / L(d[kP1]));
    d[kP12] = static_cast<double>(L(d[kP21]) * L(d[kP2]) / L(d[kP1]));
    d[kP11] = static_cast<double>(1.0L - L(d[kP10]) - L(d[kP12]));
    d[kP22] = static_cast<double>(1.0L - L(d[kP21]));
    d[kPcp] =
        static_cast<double>(L(d[kE0]) * L(d[kP0]) + L(d[kE1]) * L(d[kP1]) + L(d[kE2]) * L(d[kP2]));
    long double t = 0;
    for (int s = 0; s < 3; ++s) {
        const long double e = L(d[kE0 + s]);
        if (e != 0)
            t += -L(d[kP0 + s]) * NegEntropy(e);
    }
    d[kCk] = static_cast<double>(1.0L - t / std::log(2.0L));

    if (!AllFinite(d)) {
        notifier.Error(kBadParams);
        return false;
    }
    p.discParams = d;
    return true;
}

} // namespace spi

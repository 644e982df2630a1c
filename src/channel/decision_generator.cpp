#include "channel/decision_generator.h"

#include "model/rounding.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

namespace spi {

namespace {

// The modulator codes: md multiplies the signal-to-noise ratio, and here it picks the decision.
constexpr double kMdAm = 0.5; // "АМ"
constexpr double kMdFm = 1.0; // "ЧМ"
constexpr double kMdPm = 2.0; // "ФМ"

// Non-coherent "ФМ" compares the difference of two noise samples with a fixed limit of
// thousandths, whatever the decision rule.
constexpr std::int64_t kNonCoherentPmLimit = 1410;

bool IsCoherent(const ModelParameters &p) {
    return p.demodDm == 1;
}

bool IsKnownMd(double md) {
    return md == kMdAm || md == kMdFm || md == kMdPm;
}

// A table entry. Only an Hp below about 1e-11 (sigma above 2*10^5 amplitudes) gives samples
// beyond the 32 bits of an entry; they are held at its limits instead of being converted with an
// undefined result.
std::int32_t TableEntry(long double x) {
    const long double r = RoundHalfEven(x);
    if (std::isnan(r))
        return 0;
    if (r >= static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= static_cast<long double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

// Twelve uniform draws summed one by one from 0: S - 6 is the unit Gaussian of the tables. Every
// partial sum is exact, so the order matters only for which draws go into which sample.
long double TwelveDrawSum(Random &random) {
    long double s = 0;
    for (int k = 0; k < 12; ++k)
        s += random.RandomReal();
    return s;
}

void BuildNoiseTable(DecisionDeviceState &state, Random &random, long double sigma) {
    for (int i = 1; i <= kNoiseTable; ++i)
        state.noiseTable[i] = TableEntry(sigma * 1000 * (TwelveDrawSum(random) - 6));
}

// Rayleigh (noise alone) and Rice (unit signal plus noise) envelopes from one pair of quadrature
// samples each, x drawn before y.
void BuildEnvelopeTables(DecisionDeviceState &state, Random &random, long double sigma) {
    for (int i = 1; i <= kNoiseTable; ++i) {
        const long double x = sigma * (TwelveDrawSum(random) - 6);
        const long double y = sigma * (TwelveDrawSum(random) - 6);
        state.envNoiseTable[i] = TableEntry(1000 * std::sqrt(x * x + y * y));
        state.envSignalTable[i] = TableEntry(1000 * std::sqrt(x * x + (y + 1) * (y + 1)));
    }
}

// The "МАВ" rule moves the threshold towards the less probable symbol by 2*sigma^2*ln((1-p)/p);
// for a source that almost never changes symbol the shift is fixed at one amplitude. The bounds
// are compared in extended precision, so a p(1) stored as the double nearest 0.991 lies below
// 0.991 and takes the formula.
double MapShift(const ModelParameters &p, const DecisionDeviceState &state) {
    if (p.ruCriterion == 0)
        return 0.0;
    const long double one = p.probOne;
    if (one <= 0.009L || one >= 0.991L)
        return 1.0;
    const long double sigma = state.noiseSigma;
    return static_cast<double>(std::fabs(sigma * 2 * sigma * std::log((1 - one) / one)));
}

// Built by the first call of a run; every later call of the run only picks entries.
void PrepareRun(const ModelParameters &p, DecisionDeviceState &state, Random &random) {
    state.hpReal = p.contHp;
    state.noiseSigma =
        static_cast<double>(std::sqrt(1.0L / (static_cast<long double>(state.hpReal) * 2)));
    const long double sigma = state.noiseSigma; // the stored cell, as every later reader sees it
    if (!IsCoherent(p) && p.modMd != kMdPm) {
        BuildEnvelopeTables(state, random, sigma);
        if (p.modMd == kMdAm)
            state.amThreshold = NonCoherentAmThreshold(state);
    } else {
        BuildNoiseTable(state, random, sigma);
    }
    state.mapShift = MapShift(p, state);
}

// --- The bit loop ---
// Per bit the loop only turns seeds into table indices and compares integers. The seeds of one
// bit's draws are all computed from the seed before the bit (Random::Next taken k steps at once),
// so the multiplications run side by side; the sequence is still exactly the generator's.

constexpr int kMaxAhead = 6; // two bits of three draws

constexpr std::array<RandomStep, kMaxAhead + 1> kAhead = StepsUpTo<kMaxAhead>();

// RandomInt(1000) from the seed it leaves; a draw of 0 picks entry 1, so entry 1 comes up twice
// as often and entry 1000 never.
inline std::uint32_t TableIndex(std::uint32_t seed) {
    const auto j = static_cast<std::uint32_t>((std::uint64_t{seed} * 1000u) >> 32);
    return j + static_cast<std::uint32_t>(j == 0);
}

// The same from a draw of the research generator: floor(x * 1000), with entry 1 for a 0 alike.
inline std::uint32_t TableIndex(double x) {
    const auto j = std::min(static_cast<std::uint32_t>(x * 1000), 999u);
    return j + static_cast<std::uint32_t>(j == 0);
}

// Runs count bits of `draws` draws each, two bits per step; decide gets the seeds of one bit.
template <int draws, class Decide>
std::uint32_t DecideBits(std::uint32_t seed, std::uint8_t *out, int count, Decide decide) {
    static_assert(2 * draws <= kMaxAhead);
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        std::uint32_t s[2 * draws];
        for (int k = 0; k < 2 * draws; ++k)
            s[k] = kAhead[k + 1](seed);
        out[i] = decide(s);
        out[i + 1] = decide(s + draws);
        seed = s[2 * draws - 1];
    }
    if (i < count) {
        std::uint32_t s[draws];
        for (int k = 0; k < draws; ++k)
            s[k] = kAhead[k + 1](seed);
        out[i] = decide(s);
        seed = s[draws - 1];
    }
    return seed;
}

// The smallest integer v with v >= x, for comparing table values (and their differences, which
// stay within +-2^32) with a real bound. Bounds beyond +-2^34 decide every comparison alike, and a
// bound that is not a number, like the real comparison, is never reached.
std::int64_t IntegerAtLeast(long double x) {
    constexpr long double kFar = 17179869184.0L; // 2^34
    if (std::isnan(x) || x > kFar)
        return static_cast<std::int64_t>(kFar);
    if (x < -kFar)
        return -static_cast<std::int64_t>(kFar);
    return static_cast<std::int64_t>(std::ceil(x));
}

// The number of seeds whose RandomReal() = seed*2^-32 lies below p. p*2^32 is exact in a double,
// so the rounding needs no switch of the x87 rounding mode, which costs as much as a word's bits
// where a call is a word.
std::uint64_t SeedsBelow(double p) {
    if (!(p > 0))
        return 0;
    if (p >= 1)
        return std::uint64_t{1} << 32;
    return static_cast<std::uint64_t>(std::ceil(p * 4294967296.0));
}

// A draw below p: the model's seed below the count of seeds whose draw lies below p, or the
// research generator's draw itself below p.
struct Below {
    std::uint64_t seeds;
    long double p;
};
inline bool IsBelow(std::uint32_t seed, const Below &b) {
    return seed < b.seeds;
}
inline bool IsBelow(double x, const Below &b) {
    return x < b.p;
}

// The bit loop's draws from the model's generator: the seeds of a bit computed from the seed
// before it. An md the decision does not know ends the loop at its first bit, after that bit's two
// index draws, and leaves errorVector as it was (Stop).
struct ModelBits {
    std::uint32_t seed;
    std::uint8_t *out;
    int count;
    template <int draws, class Decide> void Run(Decide decide) {
        seed = DecideBits<draws>(seed, out, count, decide);
    }
    void Stop() { seed = count > 0 ? kAhead[2](seed) : seed; }
};

// The same from the research generator, its draws one for one in place of the model's.
struct ResearchBits {
    PhiloxDraws &draws;
    std::uint8_t *out;
    int count;
    template <int n, class Decide> void Run(Decide decide) {
        if constexpr (n == 2) {
            // Two draws a bit: taken as runs of pairs.
            constexpr int kRun = static_cast<int>(PhiloxDraws::kMaxPairs);
            for (int done = 0; done < count; done += kRun) {
                const int run = count - done < kRun ? count - done : kRun;
                const auto pairs = draws.PairsAhead(static_cast<std::size_t>(run));
                for (int i = 0; i < run; ++i) {
                    const double d[2] = {PhiloxUnit(pairs.first[i]), PhiloxUnit(pairs.second[i])};
                    out[done + i] = decide(d);
                }
                draws.Skip(2 * static_cast<std::size_t>(run));
            }
            return;
        }
        for (int i = 0; i < count; ++i) {
            double d[n];
            for (double &x : d)
                x = draws.Next();
            out[i] = decide(d);
        }
    }
    void Stop() {
        if (count > 0) {
            draws.Next();
            draws.Next();
        }
    }
};

// The decision threshold moved by the "МАВ" shift of the run.
template <class Bits>
void CoherentErrors(const ModelParameters &p, const DecisionDeviceState &state, Bits &bits) {
    const std::int32_t *noise = state.noiseTable.data();
    const long double s = state.mapShift;
    if (p.modMd == kMdAm) {
        // The second index is drawn and not used.
        const std::int64_t limit = IntegerAtLeast((s + 1) * 500);
        return bits.template Run<2>([=](const auto *d) {
            return static_cast<std::uint8_t>(noise[TableIndex(d[0])] >= limit);
        });
    }
    if (p.modMd == kMdFm || p.modMd == kMdPm) {
        const std::int64_t limit = IntegerAtLeast((s + (p.modMd == kMdFm ? 1 : 2)) * 1000);
        return bits.template Run<2>([=](const auto *d) {
            const std::int64_t diff =
                std::int64_t{noise[TableIndex(d[0])]} - noise[TableIndex(d[1])];
            return static_cast<std::uint8_t>(diff >= limit);
        });
    }
    bits.Stop();
}

template <class Bits>
void NonCoherentErrors(const ModelParameters &p, const DecisionDeviceState &state, Bits &bits) {
    const std::int32_t *noise = state.noiseTable.data();
    const std::int32_t *envNoise = state.envNoiseTable.data();
    const std::int32_t *envSignal = state.envSignalTable.data();
    if (p.modMd == kMdFm) {
        return bits.template Run<2>([=](const auto *d) {
            return static_cast<std::uint8_t>(envSignal[TableIndex(d[1])] <=
                                             envNoise[TableIndex(d[0])]);
        });
    }
    if (p.modMd == kMdPm) {
        return bits.template Run<2>([=](const auto *d) {
            const std::int64_t diff =
                std::int64_t{noise[TableIndex(d[0])]} - noise[TableIndex(d[1])];
            return static_cast<std::uint8_t>(diff >= kNonCoherentPmLimit);
        });
    }
    if (p.modMd == kMdAm) {
        // The transmitted symbol is drawn after both indices: a 0 errs when the noise envelope
        // reaches the threshold, a 1 when the signal envelope stays at or below it.
        const std::int32_t threshold = state.amThreshold;
        const Below oneBelow{SeedsBelow(p.probOne), p.probOne};
        return bits.template Run<3>([=](const auto *d) {
            // Both outcomes are looked up and the symbol selects one: the symbol is a coin toss
            // that no branch predictor can follow.
            const unsigned one = IsBelow(d[2], oneBelow);
            const unsigned signalLow = envSignal[TableIndex(d[1])] <= threshold;
            const unsigned noiseHigh = envNoise[TableIndex(d[0])] >= threshold;
            return static_cast<std::uint8_t>((one & signalLow) | (~one & noiseHigh & 1u));
        });
    }
    bits.Stop();
}

template <class Bits>
void DecideAll(const ModelParameters &p, const DecisionDeviceState &state, Bits &bits) {
    if (IsCoherent(p))
        CoherentErrors(p, state, bits);
    else
        NonCoherentErrors(p, state, bits);
}

std::string Number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

void GenerateDecisionErrors(const ModelParameters &p, DecisionDeviceState &state, Random &random,
                            std::span<std::uint8_t, kMaxBlock + 1> errors, int length,
                            long long blockNo) {
    // This structure models a channel without fading: a random component gives no errors at all.
    if (p.contHc != 0)
        return;
    if (blockNo == 1)
        PrepareRun(p, state, random);
    // The run's limits keep length within errorVector; this only keeps a caller that skipped them
    // from writing past its end.
    const int count = length < 0 ? 0 : (length > kMaxBlock ? kMaxBlock : length);
    std::uint8_t *out = errors.data() + 1;
    if (random.UsesPhilox()) {
        ResearchBits bits{random.philox, out, count};
        DecideAll(p, state, bits);
        return;
    }
    ModelBits bits{random.seed, out, count};
    DecideAll(p, state, bits);
    random.seed = bits.seed;
}

std::int32_t NonCoherentAmThreshold(const DecisionDeviceState &state) {
    struct KeyedThreshold {
        int key; // Round(10*Hp)
        std::int32_t threshold;
    };
    static constexpr KeyedThreshold kTable[] = {
        {10, 1125}, {12, 981}, {14, 883}, {16, 815}, {18, 760}, {20, 719}, {22, 688}, {24, 665},
        {26, 647},  {28, 631}, {30, 618}, {32, 606}, {34, 595}, {36, 587}, {38, 580}};
    const long double hp = state.hpReal;
    std::int32_t threshold = hp > 5 ? 500 : 560;
    if (hp < 4.5L)
        threshold = 570;
    const long double key = RoundHalfEven(10 * hp);
    for (const auto &row : kTable)
        if (key == row.key)
            threshold = row.threshold;
    return threshold;
}

std::optional<std::string> CheckDecisionDeviceSettings(const ModelParameters &p) {
    // With a random component the generator returns before it reads anything else.
    if (p.contHc != 0)
        return std::nullopt;
    if (!(p.contHp > 0) || !std::isfinite(p.contHp))
        return "Решающее устройство: регулярная составляющая сигнал/помеха Hp=" + Number(p.contHp) +
               " должна быть положительным конечным числом: от неё зависит уровень шума.";
    if (!IsKnownMd(p.modMd))
        return "Решающее устройство: параметр модулятора md=" + Number(p.modMd) +
               " не соответствует ни одному виду модуляции (АМ: 0.5, ЧМ: 1, ФМ: 2).";
    // The "МАВ" shift takes the logarithm of (1-P1)/P1, and non-coherent "АМ" draws the
    // transmitted symbol with P1.
    const bool readsProbOne = p.ruCriterion != 0 || (!IsCoherent(p) && p.modMd == kMdAm);
    if (readsProbOne && std::isnan(p.probOne))
        return "Решающее устройство: вероятность \"1\" P1=" + Number(p.probOne) +
               " не является числом.";
    return std::nullopt;
}

} // namespace spi

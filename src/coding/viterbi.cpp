#include "coding/viterbi.h"

#include "coding/code_catalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace spi {

namespace {

constexpr int kSurvivorPositions = 24; // positions 1..24 of each survivor
constexpr int kMaxPeriods = 16;        // entries of each per-block symbol list
constexpr std::uint8_t kNormaliseCap = 100;

using Survivor = std::array<std::uint8_t, 25>;

enum class Fit { Ok, NotLonger, InfoRange, Period, NotMultiple, TooManyPeriods, ReadsBeyondN };

struct Geometry {
    int period = 0;  // m = k div (n - k)
    int periods = 0; // k div m
    int reads = 0;   // received bits the symbol collection reads: (m + 1) * (k div m)
};

// What the decoder needs of n and k to stay inside its survivors, its symbol lists and rxWord.
// A k that is not a whole number of periods would start a period whose symbols were never
// collected and deliver bits beyond k.
Fit FitGeometry(long long n, long long k, Geometry &g) {
    if (n <= k)
        return Fit::NotLonger;
    if (k < 1 || k > kSurvivorPositions)
        return Fit::InfoRange;
    const long long period = k / (n - k);
    g.period = static_cast<int>(period);
    if (period < 1 || period > 3)
        return Fit::Period;
    if (k % period != 0)
        return Fit::NotMultiple;
    g.periods = static_cast<int>(k / period);
    if (g.periods > kMaxPeriods)
        return Fit::TooManyPeriods;
    g.reads = (g.period + 1) * g.periods;
    if (g.reads > n)
        return Fit::ReadsBeyondN;
    return Fit::Ok;
}

// Branch distance between an expected and a received value: the Hamming distance of their two-bit
// forms (for single bits, 0 or 1).
std::uint8_t Distance(std::uint8_t expected, std::uint8_t received) {
    if (expected + received == 3)
        return 2;
    return expected == received ? 0 : 1;
}

std::uint8_t Parity(std::uint8_t symbol) {
    return static_cast<std::uint8_t>((symbol ^ (symbol >> 1)) & 1);
}

// Expected values of the eight branches, in the order 0->0, 0->1, 1->2, 1->3, 2->0, 2->1, 3->2,
// 3->3: the full two-bit symbol, the g2 bit alone, the g1 bit alone.
constexpr std::array<std::uint8_t, 8> kFullSymbol = {0, 3, 1, 2, 3, 0, 2, 1};
constexpr std::array<std::uint8_t, 8> kG2Bit = {0, 1, 1, 0, 1, 0, 0, 1};
constexpr std::array<std::uint8_t, 8> kG1Bit = {0, 1, 0, 1, 1, 0, 1, 0};

// One trellis step at information position i. The metric bytes wrap as bytes; the per-block
// normalisation keeps them far below that.
void Step(ViterbiState &s, int i, std::uint8_t received,
          const std::array<std::uint8_t, 8> &expect) {
    auto &metric = s.vitMetrics;
    auto &sv = s.vitSurvivors;
    std::array<std::uint8_t, 8> c{};
    for (int b = 0; b < 8; ++b) {
        // Branches 2s and 2s+1 leave old state s.
        const std::uint8_t from = metric[static_cast<std::size_t>(b / 2)];
        c[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(
            from + Distance(expect[static_cast<std::size_t>(b)], received));
    }
    // New states 1 and 2 (and 3) take old survivors 0 and 1 after state 0 (and 1) has replaced
    // them; old survivors 2 and 3 are still intact when they are read.
    const Survivor saved0 = sv[0];
    const Survivor saved1 = sv[1];
    // On a tie the first-named predecessor (old 0 or old 1) wins.
    if (c[4] < c[0]) {
        metric[0] = c[4];
        sv[0] = sv[2];
        sv[0][static_cast<std::size_t>(i)] = expect[4];
    } else {
        metric[0] = c[0];
        sv[0][static_cast<std::size_t>(i)] = expect[0];
    }
    if (c[5] < c[1]) {
        metric[1] = c[5];
        sv[1] = sv[2];
        sv[1][static_cast<std::size_t>(i)] = expect[5];
    } else {
        metric[1] = c[1];
        sv[1] = saved0;
        sv[1][static_cast<std::size_t>(i)] = expect[1];
    }
    if (c[6] < c[2]) {
        metric[2] = c[6];
        sv[2] = sv[3];
        sv[2][static_cast<std::size_t>(i)] = expect[6];
    } else {
        metric[2] = c[2];
        sv[2] = saved1;
        sv[2][static_cast<std::size_t>(i)] = expect[2];
    }
    if (c[7] < c[3]) {
        metric[3] = c[7];
        sv[3][static_cast<std::size_t>(i)] = expect[7];
    } else {
        metric[3] = c[3];
        sv[3] = saved1;
        sv[3][static_cast<std::size_t>(i)] = expect[3];
    }
    for (std::size_t b = 4; b < 8; ++b)
        metric[b] = c[b];
}

// The previous block's bits of period j, read from the survivor of state 0 (not the best state)
// just before position i is overwritten. Positions i .. i+m-1 still hold the previous block; the
// symbol after the period wraps to the current block's first one when it lies beyond k.
void DeliverPeriod(const Survivor &p0, std::span<std::uint8_t, kMaxWord + 1> out, int i, int j,
                   int period, int k) {
    auto p = [&](int x) { return p0[static_cast<std::size_t>(x > k ? x - k : x)]; };
    const std::uint8_t a = p(i);
    const std::uint8_t d = p(i + period);
    switch (period) {
    case 1:
        out[static_cast<std::size_t>(j)] = Parity(d);
        break;
    case 2: {
        const std::uint8_t b = p(i + 1);
        out[2 * static_cast<std::size_t>(j)] = Parity(d);
        out[2 * static_cast<std::size_t>(j) - 1] =
            static_cast<std::uint8_t>(b ^ Parity(a) ^ Parity(d));
        break;
    }
    default: {
        const std::uint8_t b = p(i + 1);
        const std::uint8_t c = p(i + 2);
        out[3 * static_cast<std::size_t>(j)] = Parity(d);
        out[3 * static_cast<std::size_t>(j) - 2] = static_cast<std::uint8_t>(c ^ Parity(d));
        out[3 * static_cast<std::size_t>(j) - 1] =
            static_cast<std::uint8_t>(b ^ c ^ Parity(a) ^ Parity(d));
        break;
    }
    }
}

std::string S(long long v) {
    return std::to_string(v);
}

} // namespace

void encodeViterbi(const ModelParameters &p, ViterbiState &s,
                   std::span<const std::uint8_t, kMaxWord + 1> info,
                   std::span<std::uint8_t, kMaxBlock + 1> codeWord) {
    const int k = p.codeK;
    // Any k up to a word's length encodes inside codeWord (2k <= 4200); whether the decoder can
    // follow is for CheckViterbiSettings to say.
    if (k < 0 || k > kMaxWord)
        return;
    const auto cw = codeWord;
    std::uint8_t older = s.vitEncoderMemory[0];
    std::uint8_t newer = s.vitEncoderMemory[1];
    for (int i = 1; i <= k; ++i) {
        const std::uint8_t u = info[static_cast<std::size_t>(i)];
        cw[2 * static_cast<std::size_t>(i) - 1] = static_cast<std::uint8_t>(older ^ u);
        cw[2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(older ^ newer ^ u);
        older = newer;
        newer = u;
    }
    s.vitEncoderMemory = {older, newer};

    // Puncturing by the type's period: period 1 keeps every bit, 2 drops every fourth (from the
    // third), 3 every third; a type without a period keeps none.
    const int period = CodeTypeRow(p.codeType).viterbiPeriod;
    std::size_t w = 1;
    for (int i = 1; i <= 2 * k; ++i) {
        bool keep = false;
        if (period == 1)
            keep = true;
        else if (period == 2)
            keep = (i + 1) % 4 != 0;
        else if (period == 3)
            keep = i % 3 != 0;
        if (keep) {
            cw[w] = cw[static_cast<std::size_t>(i)];
            ++w;
        } else {
            cw[static_cast<std::size_t>(i)] = 0;
        }
    }
}

void decodeViterbi(const ModelParameters &p, ViterbiState &s,
                   std::span<const std::uint8_t, kMaxWord + 1> rx,
                   std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                   long long blockNumber) {
    const int k = p.codeK;
    Geometry g;
    if (FitGeometry(p.codeN, k, g) != Fit::Ok)
        return;
    const int period = g.period;
    k0 = period;

    // The received bits regrouped by period: the full symbol of the period's first bit, then the
    // single bits the puncturing left of its second and third.
    std::array<std::uint8_t, kMaxPeriods + 1> s1{};
    std::array<std::uint8_t, kMaxPeriods + 1> s2{};
    std::array<std::uint8_t, kMaxPeriods + 1> s3{};
    for (int j = 1; j <= g.periods; ++j) {
        const auto first = static_cast<std::size_t>((period + 1) * j - period);
        const auto uj = static_cast<std::size_t>(j);
        s1[uj] = static_cast<std::uint8_t>(2 * rx[first] + rx[first + 1]);
        if (period == 2)
            s2[uj] = rx[3 * static_cast<std::size_t>(j)];
        if (period == 3) {
            s2[uj] = rx[4 * static_cast<std::size_t>(j) - 1];
            s3[uj] = rx[4 * static_cast<std::size_t>(j)];
        }
    }

    auto &metric = s.vitMetrics;
    const std::uint8_t mu =
        std::min(*std::min_element(metric.begin(), metric.end()), kNormaliseCap);
    for (auto &v : metric)
        v = static_cast<std::uint8_t>(v - mu);

    int j = 0;
    for (int i = 1; i <= k; ++i) {
        if ((i - 1) % period == 0) {
            ++j;
            // The first block of a run only fills the survivors: decoded keeps its set-up.
            if (blockNumber > 1)
                DeliverPeriod(s.vitSurvivors[0], decoded, i, j, period, k);
            Step(s, i, s1[static_cast<std::size_t>(j)], kFullSymbol);
        } else if (period == 2 || i % 3 != 0) {
            Step(s, i, s2[static_cast<std::size_t>(j)], kG2Bit);
        } else {
            Step(s, i, s3[static_cast<std::size_t>(j)], kG1Bit);
        }
    }
}

std::optional<std::string> CheckViterbiSettings(const ModelParameters &p) {
    const int type = p.codeType;
    const int typePeriod = CodeTypeRow(type).viterbiPeriod;
    if (typePeriod == 0)
        return std::nullopt;
    const long long n = p.codeN;
    const long long k = p.codeK;
    const std::string what = "Свёрточный код с декодером Витерби (тип " + S(type) + "): ";
    Geometry g;
    switch (FitGeometry(n, k, g)) {
    case Fit::NotLonger:
        return what + "n=" + S(n) + " должно быть больше k=" + S(k) + ".";
    case Fit::InfoRange:
        return what + "k=" + S(k) + " вне допустимых пределов 1.." + S(kSurvivorPositions) + ".";
    case Fit::Period:
        return what + "период выкалывания m = k div (n-k) = " + S(g.period) + " при n=" + S(n) +
               ", k=" + S(k) + "; допустимы m = 1, 2, 3.";
    case Fit::NotMultiple:
        return what + "k=" + S(k) + " не кратно периоду выкалывания m=" + S(g.period) + ".";
    case Fit::TooManyPeriods:
        return what + "число периодов k div m = " + S(g.periods) + " больше " + S(kMaxPeriods) +
               ".";
    case Fit::ReadsBeyondN:
        return what + "декодер читает (m+1)*(k div m) = " + S(g.reads) +
               " принятых символов, а n=" + S(n) + ".";
    case Fit::Ok:
        break;
    }
    if (g.period != typePeriod)
        return what + "кодер выкалывает с периодом " + S(typePeriod) + ", а n=" + S(n) +
               ", k=" + S(k) + " дают период m = k div (n-k) = " + S(g.period) + ".";
    return std::nullopt;
}

} // namespace spi

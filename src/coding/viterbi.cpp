#include "coding/viterbi.h"

#include "coding/code_catalogue.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
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
constexpr std::uint8_t Distance(std::uint8_t expected, std::uint8_t received) {
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
// symbol after the period wraps to the current block's first one when it lies beyond k. at(x)
// reads position x (1..k) of that survivor.
template <class At>
void DeliverPeriod(const At &at, std::span<std::uint8_t, kMaxWord + 1> out, int i, int j,
                   int period, int k) {
    auto p = [&](int x) { return at(x > k ? x - k : x); };
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

namespace {

// The received bits regrouped by period: the full symbol of the period's first bit, then the
// single bits the puncturing left of its second and third.
struct Symbols {
    std::array<std::uint8_t, kMaxPeriods + 1> s1{};
    std::array<std::uint8_t, kMaxPeriods + 1> s2{};
    std::array<std::uint8_t, kMaxPeriods + 1> s3{};
};

Symbols CollectSymbols(const Geometry &g, std::span<const std::uint8_t, kMaxWord + 1> rx) {
    const int period = g.period;
    Symbols y;
    for (int j = 1; j <= g.periods; ++j) {
        const auto first = static_cast<std::size_t>((period + 1) * j - period);
        const auto uj = static_cast<std::size_t>(j);
        y.s1[uj] = static_cast<std::uint8_t>(2 * rx[first] + rx[first + 1]);
        if (period == 2)
            y.s2[uj] = rx[3 * static_cast<std::size_t>(j)];
        if (period == 3) {
            y.s2[uj] = rx[4 * static_cast<std::size_t>(j) - 1];
            y.s3[uj] = rx[4 * static_cast<std::size_t>(j)];
        }
    }
    return y;
}

// Per block, before the first step: all eight metrics lose their least value, at most 100.
void Normalise(std::array<std::uint8_t, 8> &metric) {
    const std::uint8_t mu =
        std::min(*std::min_element(metric.begin(), metric.end()), kNormaliseCap);
    for (auto &v : metric)
        v = static_cast<std::uint8_t>(v - mu);
}

// --- The fast decoder: the same trellis with each survivor packed into one word ---
//
// A survivor differs from the one its state had at the start of the block only in the positions
// written during the block (1 .. i-1 before step i), and each of those holds a branch's expected
// value, 0..3. So a path word keeps two bits per written position (position x in bits 2x-2,
// 2x-1) and, in kOriginShift.., the state whose start-of-block survivor supplies every other
// position. Each step selects whole words without branches; the block's end writes the survivors
// back in the byte form the model keeps.

constexpr int kOriginShift = 56;

// One step's branches into new state s: A from old state s div 2 (branch s), B from old state
// 2 + s div 2 (branch s + 4), with their branch distances and expected values.
struct Branches {
    std::array<std::uint8_t, 4> dA{}, dB{}, eA{}, eB{};
};

// For each expected-value table (full symbol, g2 bit, g1 bit) and received value 0..3; any larger
// received value is at distance 1 from every expected value (row 4).
constexpr std::array<std::array<Branches, 5>, 3> MakeBranchTable() {
    std::array<std::array<Branches, 5>, 3> t{};
    const std::array<const std::array<std::uint8_t, 8> *, 3> tables = {&kFullSymbol, &kG2Bit,
                                                                       &kG1Bit};
    for (std::size_t e = 0; e < 3; ++e)
        for (std::size_t r = 0; r < 5; ++r)
            for (std::size_t st = 0; st < 4; ++st) {
                const auto &x = *tables[e];
                const auto rv = static_cast<std::uint8_t>(r < 4 ? r : 255);
                t[e][r].eA[st] = x[st];
                t[e][r].eB[st] = x[st + 4];
                t[e][r].dA[st] = Distance(x[st], rv);
                t[e][r].dB[st] = Distance(x[st + 4], rv);
            }
    return t;
}
constexpr auto kBranchTable = MakeBranchTable();

const Branches &BranchesFor(int table, std::uint8_t received) {
    return kBranchTable[static_cast<std::size_t>(table)][std::min<std::size_t>(received, 4)];
}

// Four two-bit values (the first in the low bits) spread to four bytes in memory order.
constexpr std::array<std::uint32_t, 256> MakeExpand() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t v = 0; v < 256; ++v) {
        std::array<std::uint8_t, 4> bytes = {
            static_cast<std::uint8_t>(v & 3), static_cast<std::uint8_t>((v >> 2) & 3),
            static_cast<std::uint8_t>((v >> 4) & 3), static_cast<std::uint8_t>((v >> 6) & 3)};
        t[v] = std::bit_cast<std::uint32_t>(bytes);
    }
    return t;
}
constexpr auto kExpand = MakeExpand();

struct PackedTrellis {
    std::array<std::uint8_t, 4> metric{};
    std::array<std::uint8_t, 4> tail{}; // the candidates of branches 4..7 (model metrics 4..7)
    std::array<std::uint64_t, 4> path{};
};

// One step at position i: the add-compare-select of Step on all four states at once, the tie
// going to A. The selections are masks, not branches: which branch wins is a coin toss.
[[gnu::always_inline]] inline PackedTrellis PackedStep(const PackedTrellis &t, int i,
                                                       const Branches &b) {
    const int shift = 2 * (i - 1);
    PackedTrellis n;
    for (std::size_t st = 0; st < 4; ++st) {
        const auto cA = static_cast<std::uint8_t>(t.metric[st / 2] + b.dA[st]);
        const auto cB = static_cast<std::uint8_t>(t.metric[2 + st / 2] + b.dB[st]);
        const std::uint64_t takeB = 0 - static_cast<std::uint64_t>(cB < cA);
        const auto pick8 = static_cast<std::uint8_t>(takeB);
        n.metric[st] = static_cast<std::uint8_t>(cA ^ ((cA ^ cB) & pick8));
        n.tail[st] = cB;
        const std::uint64_t pA = t.path[st / 2];
        const std::uint64_t pB = t.path[2 + st / 2];
        const std::uint64_t e = b.eA[st] ^ ((b.eA[st] ^ b.eB[st]) & pick8);
        n.path[st] = (pA ^ ((pA ^ pB) & takeB)) | (e << shift);
    }
    return n;
}

} // namespace

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
    const Symbols y = CollectSymbols(g, rx);
    Normalise(s.vitMetrics);

    const auto start = s.vitSurvivors;
    PackedTrellis t;
    for (std::size_t st = 0; st < 4; ++st) {
        t.metric[st] = s.vitMetrics[st];
        t.path[st] = std::uint64_t{st} << kOriginShift;
    }
    // Period by period: the full symbol at its first position, then the single bits.
    for (int j = 1; j <= g.periods; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        const int i = (j - 1) * period + 1;
        if (blockNumber > 1) {
            const std::uint64_t p0 = t.path[0];
            const auto &origin = start[static_cast<std::size_t>(p0 >> kOriginShift)];
            auto at = [&](int x) {
                return x < i ? static_cast<std::uint8_t>((p0 >> (2 * x - 2)) & 3)
                             : origin[static_cast<std::size_t>(x)];
            };
            DeliverPeriod(at, decoded, i, j, period, k);
        }
        t = PackedStep(t, i, BranchesFor(0, y.s1[uj]));
        if (period >= 2)
            t = PackedStep(t, i + 1, BranchesFor(1, y.s2[uj]));
        if (period == 3)
            t = PackedStep(t, i + 2, BranchesFor(2, y.s3[uj]));
    }

    // Back to bytes: positions 1..k from the path word, all others from the origin's survivor.
    std::array<std::uint8_t, 25> keep{};
    keep[0] = 0xff;
    for (int x = k + 1; x <= kSurvivorPositions; ++x)
        keep[static_cast<std::size_t>(x)] = 0xff;
    for (std::size_t st = 0; st < 4; ++st) {
        s.vitMetrics[st] = t.metric[st];
        s.vitMetrics[st + 4] = t.tail[st];
        std::array<std::uint8_t, 28> written{};
        for (int c = 0; 4 * c < k; ++c) {
            const std::uint32_t four = kExpand[(t.path[st] >> (8 * c)) & 0xff];
            std::memcpy(&written[static_cast<std::size_t>(4 * c + 1)], &four, 4);
        }
        const auto &origin = start[static_cast<std::size_t>(t.path[st] >> kOriginShift)];
        auto &sv = s.vitSurvivors[st];
        for (std::size_t x = 0; x < sv.size(); ++x)
            sv[x] = static_cast<std::uint8_t>((origin[x] & keep[x]) | written[x]);
    }
}

void decodeViterbiPlain(const ModelParameters &p, ViterbiState &s,
                        std::span<const std::uint8_t, kMaxWord + 1> rx,
                        std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                        long long blockNumber) {
    const int k = p.codeK;
    Geometry g;
    if (FitGeometry(p.codeN, k, g) != Fit::Ok)
        return;
    const int period = g.period;
    k0 = period;
    const Symbols y = CollectSymbols(g, rx);
    Normalise(s.vitMetrics);

    int j = 0;
    for (int i = 1; i <= k; ++i) {
        if ((i - 1) % period == 0) {
            ++j;
            // The first block of a run only fills the survivors: decoded keeps its set-up.
            if (blockNumber > 1) {
                const Survivor &p0 = s.vitSurvivors[0];
                DeliverPeriod([&](int x) { return p0[static_cast<std::size_t>(x)]; }, decoded, i, j,
                              period, k);
            }
            Step(s, i, y.s1[static_cast<std::size_t>(j)], kFullSymbol);
        } else if (period == 2 || i % 3 != 0) {
            Step(s, i, y.s2[static_cast<std::size_t>(j)], kG2Bit);
        } else {
            Step(s, i, y.s3[static_cast<std::size_t>(j)], kG1Bit);
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

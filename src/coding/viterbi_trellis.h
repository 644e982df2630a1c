// The Viterbi decoder's trellis as its byte form and its machine-word form share it: the shape of a
// code, the expected values of the branches, the deliveries of a period and the packed trellis.
// Internal to coding/.
#pragma once

#include "model/model_state.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace spi::viterbi {

inline constexpr int kSurvivorPositions = 24; // positions 1..24 of each survivor
inline constexpr int kMaxPeriods = 16;        // entries of each per-block symbol list
inline constexpr std::uint8_t kNormaliseCap = 100;

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
inline Fit FitGeometry(long long n, long long k, Geometry &g) {
    if (n <= k)
        return Fit::NotLonger;
    if (k < 1 || k > kSurvivorPositions)
        return Fit::InfoRange;
    // With k <= 24 a difference beyond k gives period 0 and the divisions stay in int.
    const auto kk = static_cast<int>(k);
    const int period = n - k > k ? 0 : kk / static_cast<int>(n - k);
    g.period = period;
    if (period < 1 || period > 3)
        return Fit::Period;
    g.periods = period == 1 ? kk : period == 2 ? kk / 2 : kk / 3;
    if (g.periods * period != kk)
        return Fit::NotMultiple;
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

inline std::uint8_t Parity(std::uint8_t symbol) {
    return static_cast<std::uint8_t>((symbol ^ (symbol >> 1)) & 1);
}

// Expected values of the eight branches, in the order 0->0, 0->1, 1->2, 1->3, 2->0, 2->1, 3->2,
// 3->3: the full two-bit symbol, the g2 bit alone, the g1 bit alone.
inline constexpr std::array<std::uint8_t, 8> kFullSymbol = {0, 3, 1, 2, 3, 0, 2, 1};
inline constexpr std::array<std::uint8_t, 8> kG2Bit = {0, 1, 1, 0, 1, 0, 0, 1};
inline constexpr std::array<std::uint8_t, 8> kG1Bit = {0, 1, 0, 1, 1, 0, 1, 0};

// The previous block's bits of period j, read from the survivor of state 0 (not the best state)
// just before position i is overwritten. Positions i .. i+m-1 still hold the previous block; the
// symbol after the period wraps to the current block's first one when it lies beyond k. at(x)
// reads position x (1..k) of that survivor.
template <class At, class Out>
void DeliverPeriod(const At &at, Out &&out, int i, int j, int period, int k) {
    auto p = [&](int x) { return at(x > k ? x - k : x); };
    const auto m = static_cast<std::size_t>(period) * static_cast<std::size_t>(j); // its last bit
    const std::uint8_t d = p(i + period); // the first of the next period
    out[m] = Parity(d);
    if (period == 1)
        return;
    const std::uint8_t a = p(i);
    const std::uint8_t b = p(i + 1);
    if (period == 2) {
        out[m - 1] = static_cast<std::uint8_t>(b ^ Parity(a) ^ Parity(d));
        return;
    }
    const std::uint8_t c = p(i + 2);
    out[m - 2] = static_cast<std::uint8_t>(c ^ Parity(d));
    out[m - 1] = static_cast<std::uint8_t>(b ^ c ^ Parity(a) ^ Parity(d));
}

// The received bits regrouped by period: the full symbol of the period's first bit, then the
// single bits the puncturing left of its second and third.
struct Symbols {
    std::array<std::uint8_t, kMaxPeriods + 1> s1{}, s2{}, s3{};
};

// The fast decoder. A survivor differs from its state's at the block's start only in positions
// written since (1 .. i-1 before step i); step x writes the expected value of the branch taken, a
// function of the path's information bits u(x-2), u(x-1), u(x) (a state is its last two bits).
// So a path word keeps u(-1), u(0) (the start state) in bits 0, 1, u(x) in bit x+1, and in bits
// 30, 31 the state whose start-of-block survivor supplies all other positions.
inline constexpr int kOriginShift = 30;

// One step's branch distances into new state s, in bytes 0..3: A from old state s div 2 (branch
// s), B from old state 2 + s div 2 (branch s + 4).
struct alignas(16) Branches {
    std::array<std::uint8_t, 16> dA{}, dB{};
};

// For each expected-value table (full symbol, g2 bit, g1 bit) and received value 0..3; any larger
// received value is at distance 1 from every expected value (row 4).
inline constexpr std::array<const std::array<std::uint8_t, 8> *, 3> kTables = {&kFullSymbol,
                                                                               &kG2Bit, &kG1Bit};
constexpr std::array<std::array<Branches, 5>, 3> MakeBranchTable() {
    std::array<std::array<Branches, 5>, 3> t{};
    for (std::size_t e = 0; e < 3; ++e)
        for (std::size_t r = 0; r < 5; ++r)
            for (std::size_t b = 0; b < 8; ++b) // branch b: A of state b, B of state b - 4
                (b < 4 ? t[e][r].dA : t[e][r].dB)[b % 4] =
                    Distance((*kTables[e])[b], static_cast<std::uint8_t>(r < 4 ? r : 255));
    return t;
}
inline constexpr auto kBranchTable = MakeBranchTable();

inline const Branches &BranchesFor(int table, std::uint8_t received) {
    return kBranchTable[static_cast<std::size_t>(table)][std::min<std::size_t>(received, 4)];
}

// What step x wrote on path w: branch u(x-2) u(x-1) -> u(x-1) u(x) in the table of x's place.
inline std::uint8_t Written(std::uint32_t w, int x, int period) {
    const std::uint32_t v = (w >> (x - 1)) & 7; // u(x-2), u(x-1), u(x) from bit 0
    const std::size_t branch = ((v & 1) << 2) | (v & 2) | (v >> 2);
    return (*kTables[static_cast<std::size_t>((x - 1) % period)])[branch];
}

// Each state's path word at the start of a block: itself as the origin and as u(-1), u(0).
inline constexpr std::array<std::uint32_t, 4> kStartPaths = {
    0, 1U << kOriginShift | 2, 2U << kOriginShift | 1, 3U << kOriginShift | 3};

// The four path words and metrics stepped one state after another (any processor).
struct PortableTrellis {
    std::array<std::uint8_t, 4> metric{};
    std::array<std::uint8_t, 4> tail{}; // the candidates of branches 4..7 (model metrics 4..7)
    std::array<std::uint32_t, 4> path = kStartPaths;

    explicit PortableTrellis(const std::array<std::uint8_t, 8> &m)
        : metric{m[0], m[1], m[2], m[3]} {}
    // Step's add-compare-select at position i, the tie to A; masks, not branches (a coin toss).
    void Step(int i, const Branches &b) {
        const PortableTrellis old = *this;
        for (std::size_t st = 0; st < 4; ++st) {
            const auto cA = static_cast<std::uint8_t>(old.metric[st / 2] + b.dA[st]);
            const auto cB = static_cast<std::uint8_t>(old.metric[2 + st / 2] + b.dB[st]);
            const std::uint32_t takeB = 0 - static_cast<std::uint32_t>(cB < cA);
            metric[st] = static_cast<std::uint8_t>(cA ^ ((cA ^ cB) & takeB));
            tail[st] = cB;
            const std::uint32_t pA = old.path[st / 2];
            const std::uint32_t pB = old.path[2 + st / 2];
            path[st] = (pA ^ ((pA ^ pB) & takeB)) | static_cast<std::uint32_t>((st & 1) << (i + 1));
        }
    }
    std::uint32_t Path0() const { return path[0]; }
    std::array<std::uint32_t, 4> Store(std::array<std::uint8_t, 8> &m) const {
        std::copy(metric.begin(), metric.end(), m.begin());
        std::copy(tail.begin(), tail.end(), m.begin() + 4);
        return path;
    }
};

#if defined(__SSE2__) && defined(__x86_64__)
// The same step on SSE2 registers (every x86-64 processor has them): metrics in bytes 0..3, the
// four path words in one register. Bytes 4..15 of the metric register carry leftovers that never
// reach bytes 0..3.
struct Sse2Trellis {
    explicit Sse2Trellis(const std::array<std::uint8_t, 8> &m)
        : metric_(_mm_cvtsi32_si128(static_cast<int>(std::bit_cast<std::uint64_t>(m)))),
          path_(_mm_loadu_si128(reinterpret_cast<const __m128i *>(kStartPaths.data()))) {}
    void Step(int i, const Branches &b) {
        auto load = [](const void *a) { return _mm_load_si128(static_cast<const __m128i *>(a)); };
        const __m128i x = _mm_unpacklo_epi8(metric_, metric_); // m0 m0 m1 m1 m2 m2 m3 m3
        const __m128i cA = _mm_add_epi8(x, load(b.dA.data()));
        tail_ = _mm_add_epi8(_mm_srli_si128(x, 4), load(b.dB.data()));
        metric_ = _mm_min_epu8(cA, tail_);
        const __m128i keepA8 = _mm_cmpeq_epi8(metric_, cA);
        const __m128i keepA16 = _mm_unpacklo_epi8(keepA8, keepA8);
        const __m128i keepA = _mm_unpacklo_epi16(keepA16, keepA16);
        const __m128i pA = _mm_shuffle_epi32(path_, 0x50); // words 0 0 1 1
        const __m128i pB = _mm_shuffle_epi32(path_, 0xfa); // words 2 2 3 3
        const __m128i odd = _mm_sll_epi32(_mm_set_epi32(1, 0, 1, 0), _mm_cvtsi32_si128(i + 1));
        path_ =
            _mm_or_si128(_mm_or_si128(_mm_and_si128(keepA, pA), _mm_andnot_si128(keepA, pB)), odd);
    }
    std::uint32_t Path0() const { return static_cast<std::uint32_t>(_mm_cvtsi128_si32(path_)); }
    std::array<std::uint32_t, 4> Store(std::array<std::uint8_t, 8> &m) const {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(m.data()), _mm_unpacklo_epi32(metric_, tail_));
        return std::bit_cast<std::array<std::uint32_t, 4>>(path_);
    }
    __m128i metric_, tail_ = _mm_setzero_si128(), path_;
};
using FastTrellis = Sse2Trellis;
#else
using FastTrellis = PortableTrellis;
#endif

// The places of the positions in their period, bit x-1 for position x: full, g2, g1.
inline constexpr std::array<std::array<std::uint32_t, 3>, 4> kPlaces = {
    {{}, {0xffffff, 0, 0}, {0x555555, 0xaaaaaa, 0}, {0x249249, 0x492492, 0x924924}}};

// What the four path words of a block wrote at positions 1..k, as the two bits of each value
// (value = 2 * high + low): g1 ^ g2 places from u(x-2), u(x-1), u(x).
inline void WrittenPlanes(std::uint32_t u, int k, int period, std::uint32_t &high,
                          std::uint32_t &low) {
    const auto &place = kPlaces[static_cast<std::size_t>(period)];
    const std::uint32_t inBlock = (1U << k) - 1;
    const std::uint32_t g1 = ((u ^ u << 2) >> 2) & inBlock;    // u(x) ^ u(x-2)
    const std::uint32_t g2 = (g1 ^ ((u << 1) >> 2)) & inBlock; // and ^ u(x-1)
    high = g1 & place[0];
    low = (g2 & (place[0] | place[1])) | (g1 & place[2]);
}

// What every block starts with: all eight metrics lowered by their least value, at most 100.
inline void Normalise(std::array<std::uint8_t, 8> &metric) {
    const auto mu = std::min(*std::min_element(metric.begin(), metric.end()), kNormaliseCap);
    for (auto &v : metric)
        v = static_cast<std::uint8_t>(v - mu);
}

// The block's steps, period by period: the full symbol at its first position, then the single
// bits. State 0's path word at each period's start goes to p0[1..periods] for the deliveries.
template <class Trellis>
void StepPeriods(Trellis &t, const Geometry &g, const Symbols &y,
                 std::array<std::uint32_t, kMaxPeriods + 1> &p0) {
    const int period = g.period;
    for (int j = 1; j <= g.periods; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        const int i = (j - 1) * period + 1;
        p0[uj] = t.Path0();
        t.Step(i, BranchesFor(0, y.s1[uj]));
        if (period >= 2)
            t.Step(i + 1, BranchesFor(1, y.s2[uj]));
        if (period == 3)
            t.Step(i + 2, BranchesFor(2, y.s3[uj]));
    }
}

} // namespace spi::viterbi

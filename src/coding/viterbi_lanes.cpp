#include "coding/code_catalogue.h"
#include "coding/viterbi.h"
#include "coding/viterbi_trellis.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace spi {

using namespace viterbi; // NOLINT: the trellis of this decoder, kept apart only to share it

namespace {

// Whether encodeViterbi keeps code position i (1..2k) under the type's period.
bool Kept(int i, int period) {
    return period == 1 || (period == 2 && (i + 1) % 4 != 0) || (period == 3 && i % 3 != 0);
}

int Bit(std::uint64_t word, int position) {
    return static_cast<int>(word >> (position - 1) & 1u);
}

// Survivor value at position x (1..24) of state st.
std::uint8_t SurvivorAt(const ViterbiLanes &lanes, std::size_t st, int x) {
    return static_cast<std::uint8_t>(2 * Bit(lanes.high[st], x) + Bit(lanes.low[st], x));
}

// The received bits regrouped by period, as CollectSymbols takes them from the bytes.
Symbols SymbolsOf(const Geometry &g, std::uint64_t rx) {
    const int period = g.period;
    Symbols y;
    for (int j = 1; j <= g.periods; ++j) {
        const int first = (period + 1) * j - period;
        const auto uj = static_cast<std::size_t>(j);
        y.s1[uj] = static_cast<std::uint8_t>(2 * Bit(rx, first) + Bit(rx, first + 1));
        if (period == 2)
            y.s2[uj] = static_cast<std::uint8_t>(Bit(rx, 3 * j));
        if (period == 3) {
            y.s2[uj] = static_cast<std::uint8_t>(Bit(rx, 4 * j - 1));
            y.s3[uj] = static_cast<std::uint8_t>(Bit(rx, 4 * j));
        }
    }
    return y;
}

// The survivors after a block, as Unpack writes them: positions 1..k from the path words, the
// others and byte 0 from each path's origin.
void KeepSurvivors(ViterbiLanes &lanes, const std::array<std::uint32_t, 4> &path, int k,
                   int period) {
    const ViterbiLanes before = lanes;
    const std::uint32_t inBlock = (1U << k) - 1;
    for (std::size_t st = 0; st < 4; ++st) {
        std::uint32_t high, low;
        WrittenPlanes(path[st], k, period, high, low);
        const auto origin = static_cast<std::size_t>(path[st] >> kOriginShift);
        lanes.high[st] = (before.high[origin] & ~inBlock) | high;
        lanes.low[st] = (before.low[origin] & ~inBlock) | low;
        lanes.first[st] = before.first[origin];
    }
}

} // namespace

bool LoadViterbiLanes(const ModelParameters &p, const ViterbiState &s, ViterbiLanes &lanes) {
    Geometry g;
    if (FitGeometry(p.codeN, p.codeK, g) != Fit::Ok || p.codeK > kSurvivorPositions ||
        s.vitEncoderMemory[0] > 1 || s.vitEncoderMemory[1] > 1)
        return false;
    // A delivery reads the single-bit places of the block as bits: they must hold 0 or 1.
    const auto &place = kPlaces[static_cast<std::size_t>(g.period)];
    const std::uint32_t singles = (place[1] | place[2]) & ((1U << p.codeK) - 1);
    lanes.encoderMemory = s.vitEncoderMemory;
    lanes.metrics = s.vitMetrics;
    lanes.period = g.period;
    lanes.periods = g.periods;
    for (std::size_t st = 0; st < 4; ++st) {
        lanes.high[st] = lanes.low[st] = 0;
        lanes.first[st] = s.vitSurvivors[st][0];
        for (int x = 1; x <= kSurvivorPositions; ++x) {
            const std::uint8_t v = s.vitSurvivors[st][static_cast<std::size_t>(x)];
            if (v > 3 || (v > 1 && (singles >> (x - 1) & 1u)))
                return false;
            lanes.high[st] |= static_cast<std::uint32_t>(v >> 1) << (x - 1);
            lanes.low[st] |= static_cast<std::uint32_t>(v & 1u) << (x - 1);
        }
    }
    return true;
}

void StoreViterbiLanes(const ViterbiLanes &lanes, ViterbiState &s) {
    s.vitEncoderMemory = lanes.encoderMemory;
    s.vitMetrics = lanes.metrics;
    for (std::size_t st = 0; st < 4; ++st) {
        s.vitSurvivors[st][0] = lanes.first[st];
        for (int x = 1; x <= kSurvivorPositions; ++x)
            s.vitSurvivors[st][static_cast<std::size_t>(x)] = SurvivorAt(lanes, st, x);
    }
}

int ViterbiCodeLength(const ModelParameters &p) {
    const int period = CodeTypeRow(p.codeType).viterbiPeriod;
    int kept = 0;
    for (int i = 1; i <= 2 * p.codeK; ++i)
        kept += Kept(i, period) ? 1 : 0;
    return kept;
}

// Bit i of x to bit 2i, for x of at most 32 bits.
std::uint64_t SpreadToEven(std::uint64_t x) {
    x = (x | x << 16) & 0x0000FFFF0000FFFFull;
    x = (x | x << 8) & 0x00FF00FF00FF00FFull;
    x = (x | x << 4) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | x << 2) & 0x3333333333333333ull;
    return (x | x << 1) & 0x5555555555555555ull;
}

// The unpunctured code all at once: with x holding u(i-2) in bit i-1 (the memory before u(1)),
// position 2i-1 is u(i-2) ^ u(i) and position 2i adds u(i-1).
std::uint64_t EncodeWhole(ViterbiLanes &lanes, std::uint64_t info, int k) {
    const std::uint64_t x =
        info << 2 | std::uint64_t{lanes.encoderMemory[1]} << 1 | lanes.encoderMemory[0];
    const std::uint64_t inBlock = (std::uint64_t{1} << k) - 1;
    const std::uint64_t odd = (x ^ x >> 2) & inBlock;
    const std::uint64_t even = (odd ^ x >> 1) & inBlock;
    lanes.encoderMemory = {static_cast<std::uint8_t>(x >> k & 1u),
                           static_cast<std::uint8_t>(x >> (k + 1) & 1u)};
    return SpreadToEven(odd) | SpreadToEven(even) << 1;
}

std::uint64_t EncodeViterbiMask(const ModelParameters &p, ViterbiLanes &lanes, std::uint64_t info) {
    const int k = std::min(p.codeK, kSurvivorPositions);
    const int period = CodeTypeRow(p.codeType).viterbiPeriod;
    if (period == 1)
        return EncodeWhole(lanes, info, k);
    std::uint64_t older = lanes.encoderMemory[0], newer = lanes.encoderMemory[1];
    std::uint64_t code = 0;
    int w = 0;
    for (int i = 1; i <= k; ++i) {
        const std::uint64_t u = info >> (i - 1) & 1u;
        if (Kept(2 * i - 1, period))
            code |= (older ^ u) << w++;
        if (Kept(2 * i, period))
            code |= (older ^ newer ^ u) << w++;
        older = newer;
        newer = u;
    }
    lanes.encoderMemory = {static_cast<std::uint8_t>(older), static_cast<std::uint8_t>(newer)};
    return code;
}

namespace {

// Period 1, the unpunctured code: a full symbol per position read straight from the word, and
// each position's bit delivered as the step reaches it. Position j delivers the parity of position
// j+1 of its path's origin; the last one that of what the path wrote at position 1.
std::uint64_t DecodeWhole(ViterbiLanes &lanes, std::uint64_t rx, int k) {
    // A symbol is 2 * (its first bit) + its second: the two bits of the word in turn.
    static constexpr std::array<std::size_t, 4> kSymbol = {0, 2, 1, 3};
    std::array<std::uint32_t, 4> parity{};
    for (std::size_t st = 0; st < 4; ++st)
        parity[st] = lanes.high[st] ^ lanes.low[st];
    FastTrellis t(lanes.metrics);
    std::uint64_t decoded = 0;
    for (int j = 1; j <= k; ++j) {
        const std::uint32_t w = t.Path0();
        t.Step(j, kBranchTable[0][kSymbol[rx >> (2 * j - 2) & 3u]]);
        // (With k = 1 position 1 is not yet written when it is read.)
        const std::uint32_t bit = j < k || k == 1
                                      ? parity[w >> kOriginShift] >> (j < k ? j : 0) & 1u
                                      : Parity(Written(w, 1, 1));
        decoded |= static_cast<std::uint64_t>(bit) << (j - 1);
    }
    KeepSurvivors(lanes, t.Store(lanes.metrics), k, 1);
    return decoded;
}

} // namespace

std::uint64_t DecodeViterbiMask(const ModelParameters &p, ViterbiLanes &lanes, std::uint64_t rx,
                                std::int32_t &k0) {
    const Geometry g{lanes.period, lanes.periods, (lanes.period + 1) * lanes.periods};
    k0 = g.period;
    Normalise(lanes.metrics);
    const int k = p.codeK, period = g.period;
    if (period == 1)
        return DecodeWhole(lanes, rx, k);
    const Symbols y = SymbolsOf(g, rx);
    FastTrellis t(lanes.metrics);
    std::array<std::uint32_t, kMaxPeriods + 1> p0{};
    StepPeriods(t, g, y, p0);
    std::array<std::uint8_t, kSurvivorPositions + 1> out{};
    for (int j = 1; j <= g.periods; ++j) {
        const std::uint32_t w = p0[static_cast<std::size_t>(j)];
        const int i = (j - 1) * period + 1;
        const auto origin = static_cast<std::size_t>(w >> kOriginShift);
        auto at = [&](int x) {
            return x < i ? Written(w, x, period) : SurvivorAt(lanes, origin, x);
        };
        DeliverPeriod(at, out, i, j, period, k);
    }
    KeepSurvivors(lanes, t.Store(lanes.metrics), k, period);
    std::uint64_t decoded = 0;
    for (int x = 1; x <= k; ++x)
        decoded |= static_cast<std::uint64_t>(out[static_cast<std::size_t>(x)] & 1u) << (x - 1);
    return decoded;
}

} // namespace spi

#include "coding/viterbi.h"

#include "coding/code_catalogue.h"
#include "coding/viterbi_trellis.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace spi {

using namespace viterbi; // NOLINT: the trellis is this file's own, kept apart only to share it

namespace {

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

// What every block starts with: the settings checked (false: refused, nothing touched), k0 set,
// and all eight metrics lowered by their least value, at most 100.
bool Prepare(const ModelParameters &p, ViterbiState &s, std::int32_t &k0, Geometry &g) {
    if (FitGeometry(p.codeN, p.codeK, g) != Fit::Ok)
        return false;
    k0 = g.period;
    Normalise(s.vitMetrics);
    return true;
}

// Eight bits to eight bytes 0 or 1, the first in the lowest byte: a table of the 256 patterns.
constexpr auto kBitBytes = [] {
    std::array<std::uint64_t, 256> t{};
    for (std::size_t x = 0; x < 256; ++x)
        for (std::size_t b = 0; b < 8; ++b)
            t[x] |= std::uint64_t{(x >> b) & 1} << (8 * b);
    return t;
}();

// Writes the survivors back in the model's byte form: positions 1..k what the path words wrote,
// the others from the origin's survivor; in words of eight positions, all read before any write.
void Unpack(ViterbiState &s, const std::array<std::uint32_t, 4> &path, int k, int period) {
    std::array<std::array<std::uint64_t, 3>, 4> out{};
    std::array<std::uint8_t, 4> first{};
    for (std::size_t st = 0; st < 4; ++st) {
        const std::uint32_t u = path[st];
        std::uint32_t high, low;
        WrittenPlanes(u, k, period, high, low);
        const auto &origin = s.vitSurvivors[static_cast<std::size_t>(u >> kOriginShift)];
        first[st] = origin[0];
        for (std::size_t c = 0; c < 3; ++c) {
            std::memcpy(&out[st][c], &origin[8 * c + 1], 8);
            const int w = k - 8 * static_cast<int>(c); // positions 8c+1.. inside the block
            if (w > 0)
                out[st][c] = (w >= 8 ? 0 : out[st][c] & ~0ULL << (8 * w)) |
                             2 * kBitBytes[(high >> (8 * c)) & 0xff] |
                             kBitBytes[(low >> (8 * c)) & 0xff];
        }
    }
    for (std::size_t st = 0; st < 4; ++st) {
        s.vitSurvivors[st][0] = first[st];
        std::memcpy(&s.vitSurvivors[st][1], out[st].data(), 24);
    }
}

// The decoder over packed path words: Trellis steps all four states at once.
template <class Trellis>
void DecodePacked(const ModelParameters &p, ViterbiState &s,
                  std::span<const std::uint8_t, kMaxWord + 1> rx,
                  std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                  long long blockNumber) {
    const int k = p.codeK;
    Geometry g;
    if (!Prepare(p, s, k0, g))
        return;
    const int period = g.period;
    const Symbols y = CollectSymbols(g, rx);
    Trellis t(s.vitMetrics);
    std::array<std::uint32_t, kMaxPeriods + 1> p0; // 1..periods written below
    StepPeriods(t, g, y, p0);
    for (int j = 1; j <= g.periods && blockNumber > 1; ++j) {
        const std::uint32_t w = p0[static_cast<std::size_t>(j)];
        const int i = (j - 1) * period + 1;
        const auto &origin = s.vitSurvivors[static_cast<std::size_t>(w >> kOriginShift)];
        auto at = [&](int x) {
            return x < i ? Written(w, x, period) : origin[static_cast<std::size_t>(x)];
        };
        DeliverPeriod(at, decoded, i, j, period, k);
    }
    Unpack(s, t.Store(s.vitMetrics), k, period);
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
        const bool keep =
            period == 1 || (period == 2 && (i + 1) % 4 != 0) || (period == 3 && i % 3 != 0);
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
    DecodePacked<FastTrellis>(p, s, rx, decoded, k0, blockNumber);
}

void decodeViterbiPortable(const ModelParameters &p, ViterbiState &s,
                           std::span<const std::uint8_t, kMaxWord + 1> rx,
                           std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                           long long blockNumber) {
    DecodePacked<PortableTrellis>(p, s, rx, decoded, k0, blockNumber);
}

void decodeViterbiPlain(const ModelParameters &p, ViterbiState &s,
                        std::span<const std::uint8_t, kMaxWord + 1> rx,
                        std::span<std::uint8_t, kMaxWord + 1> decoded, std::int32_t &k0,
                        long long blockNumber) {
    const int k = p.codeK;
    Geometry g;
    if (!Prepare(p, s, k0, g))
        return;
    const int period = g.period;
    const Symbols y = CollectSymbols(g, rx);

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
    auto S = [](long long v) { return std::to_string(v); };
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

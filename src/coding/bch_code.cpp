#include "coding/bch_code.h"

#include "coding/galois_field.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace spi {

namespace {

// Bit q of a word (1-based) is the coefficient of x^(q-1). The decoder works on the time-domain
// vector of its field's length N, the word sitting at positions N-n..N-1 (a shorter code is padded
// with leading zero positions): position p = N - n + q - 1.
struct BchShape {
    int n = 0;
    int k = 0;
    int t = 0;
    int order = 0; // N
    bool valid = false;
};

// The field of the decoder, built once per run: PrepareTestRun clears the shared marker and the
// first decoding of the run sets it. A row outside 1..76 has no field; the order is then 0 and the
// decoder passes the bits through (the run refuses such a row before it starts).
void PrepareBchField(int row, GaloisCoderState &state) {
    if (state.rsGeneratorReady == kCoderReadyMark)
        return;
    state.rsGeneratorReady = kCoderReadyMark;
    const std::string_view digits = BchFieldDigits(row);
    if (digits.empty()) {
        state.bchOrder = 0;
        state.bchDegree = 0;
        return;
    }
    std::fill(state.fieldPolyDigits.begin() + 1, state.fieldPolyDigits.end(), 0);
    StoreFieldPolyDigits(state, digits);
    state.bchDegree = state.fieldPolyDigits[state.fieldPolyTermCount];
    state.bchOrder = (1 << state.bchDegree) - 1;
    BuildFieldTables(state.fieldPolyDigits, state.fieldPolyTermCount, state.bchExp, state.bchLog);
}

BchShape ShapeOf(const ModelParameters &p, const GaloisCoderState &state) {
    BchShape s;
    s.order = state.bchOrder;
    s.n = p.codeN;
    s.k = p.codeK;
    s.valid = state.bchDegree >= kMinFieldDegree && state.bchDegree <= kMaxFieldDegree &&
              s.order == (1 << state.bchDegree) - 1 && s.n >= 1 && s.n <= s.order && s.k >= 0 &&
              s.k <= s.n;
    // 2t < N keeps the locator's degree below N (CheckBchCode asks for 2t <= n - k).
    if (s.valid)
        s.t = std::clamp<int>(p.codeT, 0, (s.order - 1) / 2);
    return s;
}

// The odd syndromes S_1, S_3, ..., S_(2t-1) of the n bits at bits[0..n-1] into odd[0..t-1], as
// the definition has them: bit q is the coefficient of x^p, p = N - n + q - 1, i.e. symbol
// N - p = n - q + 1 of the word as EvaluateWord numbers it; the padding is zero. A set bit has the
// logarithm 0, a clear one the sentinel, chosen without a branch: the bits are random.
void OddSyndromesPlain(const FastField &f, const BchShape &s, const std::uint8_t *bits,
                       std::uint8_t *odd) {
    LogWord logBit;
    std::fill(logBit.begin(), logBit.end(), f.ZeroLog());
    for (int q = 1; q <= s.n; ++q)
        logBit[s.n - q + 1] = (static_cast<int>(bits[q - 1] != 0) - 1) & f.ZeroLog();
    std::array<int, kMaxFieldOrder + 1> points{};
    for (int i = 0; i < s.t; ++i)
        points[i] = 2 * i + 1;
    EvaluateWord(f, logBit, points.data(), s.t, odd);
}

// The syndromes are linear over GF(2) in the bits, so each nibble of the word adds a fixed row:
// the t odd syndromes, a byte each, packed into `lanes` 64-bit lanes, for each of the 16 values
// of each nibble. Nibble c holds bits q = 4c+1..4c+4; nibbles past n (the word is read eight bits
// at a time) add nothing.
constexpr int kMaxNibbleLanes = 2; // t <= 16: at most 16 KB of rows

int NibbleLanes(int t) {
    return (t + 7) / 8;
}

void BuildNibbleSyndromes(const FastField &f, const BchShape &s, std::vector<std::uint64_t> &rows) {
    const int lanes = NibbleLanes(s.t);
    const int nibbles = 2 * ((s.n + 7) / 8);
    rows.assign(static_cast<std::size_t>(nibbles) * 16 * lanes, 0);
    for (int c = 0; c < nibbles; ++c) {
        for (int b = 0; b < 4; ++b) {
            const int q = 4 * c + b + 1;
            if (q > s.n)
                break;
            const int p = s.order - s.n + q - 1;
            std::array<std::uint64_t, kMaxNibbleLanes> bit{};
            for (int i = 0; i < s.t; ++i)
                bit[i / 8] |= std::uint64_t{f.Exp((2 * i + 1) * p % s.order)} << (8 * (i % 8));
            for (int v = 1 << b; v < 16; v = (v + 1) | (1 << b))
                for (int l = 0; l < lanes; ++l)
                    rows[(static_cast<std::size_t>(c) * 16 + static_cast<std::size_t>(v)) *
                             static_cast<std::size_t>(lanes) +
                         static_cast<std::size_t>(l)] ^= bit[l];
        }
    }
}

template <int Lanes>
void NibbleSum(const std::uint64_t *rows, int n, const std::uint8_t *bits,
               std::array<std::uint64_t, kMaxNibbleLanes> &sum) {
    const int chunks = (n + 7) / 8;
    for (int c = 0; c < chunks; ++c) {
        // Eight cells (past the word the buffer goes on; the rows ignore them) to eight bits:
        // a non-zero cell sets its top bit, which the multiplication gathers into the top byte.
        std::uint64_t eight = 0;
        std::memcpy(&eight, bits + 8 * c, sizeof eight);
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
        const std::uint64_t top = (((eight & kLow7) + kLow7) | eight) & ~kLow7;
        const auto byte = static_cast<unsigned>(((top >> 7) * 0x0102040810204080ull) >> 56);
        const std::uint64_t *low =
            rows + static_cast<std::ptrdiff_t>((2 * c * 16 + (byte & 15u)) * Lanes);
        const std::uint64_t *high =
            rows + static_cast<std::ptrdiff_t>(((2 * c + 1) * 16 + (byte >> 4)) * Lanes);
        for (int l = 0; l < Lanes; ++l)
            sum[l] ^= low[l] ^ high[l];
    }
}

// OddSyndromesPlain's result from the nibble rows, kept in the state for the field, n and t.
void OddSyndromesByNibbles(const FastField &f, const BchShape &s, GaloisWordTables &cache,
                           const std::uint8_t *bits, std::uint8_t *odd) {
    if (cache.nibbleKey != std::array<std::int32_t, 2>{s.n, s.t} || cache.nibbleSyndromes.empty()) {
        BuildNibbleSyndromes(f, s, cache.nibbleSyndromes);
        cache.nibbleKey = {s.n, s.t};
    }
    std::array<std::uint64_t, kMaxNibbleLanes> sum{};
    if (NibbleLanes(s.t) == 1)
        NibbleSum<1>(cache.nibbleSyndromes.data(), s.n, bits, sum);
    else
        NibbleSum<2>(cache.nibbleSyndromes.data(), s.n, bits, sum);
    for (int i = 0; i < s.t; ++i)
        odd[i] = static_cast<std::uint8_t>(sum[i / 8] >> (8 * (i % 8)));
}

// The binary time-domain decoder. As in "АБМВ" the time-domain vectors are images of polynomials
// (see TimeDomainLocator); with even steps taken as 0 the odd steps need the syndromes
// S_1..S_(2t-1), and a binary word has S_2i = S_i^2. An information bit q is inverted where
// lambda[p] = Lambda(alpha^-p) = Lambda(alpha^(n-q+1)) is 0. The plain path builds the field for
// the word and evaluates every syndrome and locator value; the other keeps the field and the
// nibble rows in the state and searches the roots with FindRoots.
void DecodeBch(const ModelParameters &p, GaloisCoderState &state,
               std::span<const std::uint8_t, kMaxWord + 1> rx,
               std::span<std::uint8_t, kMaxWord + 1> decoded, bool plain) {
    PrepareBchField(p.polyNumbers[0], state);
    const BchShape s = ShapeOf(p, state);
    // Without a field the information bits pass as received.
    const int passed = s.valid ? s.k : std::clamp<int>(p.codeK, 0, kMaxWord);
    std::copy(rx.begin() + 1, rx.begin() + 1 + passed, decoded.begin() + 1);
    const int twoT = 2 * s.t;
    if (!s.valid || twoT == 0)
        return;
    const int order = s.order;

    std::optional<OwnFastField> own;
    if (plain)
        own.emplace(state.bchExp, state.bchLog, order);
    const FastField f =
        plain ? own->Field() : CachedField(state.bchTables, state.bchExp, state.bchLog, order);
    std::array<std::uint8_t, kMaxFieldOrder + 1> oddSyndrome; // 0..t-1
    if (plain || NibbleLanes(s.t) > kMaxNibbleLanes)
        OddSyndromesPlain(f, s, rx.data() + 1, oddSyndrome.data());
    else
        OddSyndromesByNibbles(f, s, state.bchTables, rx.data() + 1, oddSyndrome.data());
    std::array<std::uint8_t, kMaxFieldOrder + 1> syndrome; // 1..2t-1
    std::uint8_t any = 0;
    for (int i = 0; i < s.t; ++i) {
        syndrome[2 * i + 1] = oddSyndrome[i];
        any |= oddSyndrome[i];
    }
    if (any == 0)
        return;
    for (int j = 2; j < twoT; j += 2)
        syndrome[j] = f.Square(syndrome[j / 2]);

    std::array<std::uint8_t, kMaxFieldOrder + 1> lambda; // 0..deg
    const int deg = TimeDomainLocator(f, syndrome.data(), twoT, true, lambda.data());

    // lambda[p] = Lambda(alpha^(n-q+1)) for q = 1..k
    std::array<int, kMaxFieldOrder + 1> roots;
    const int found = (plain ? FindRootsPlain : FindRoots)(f, lambda.data(), deg, s.n % order, -1,
                                                           s.k, roots.data());
    for (int j = 0; j < found; ++j)
        decoded[roots[j] + 1] ^= 1;
}

} // namespace

void decodeBch(const ModelParameters &p, GaloisCoderState &state,
               std::span<const std::uint8_t, kMaxWord + 1> rx,
               std::span<std::uint8_t, kMaxWord + 1> decoded) {
    DecodeBch(p, state, rx, decoded, false);
}

void decodeBchPlain(const ModelParameters &p, GaloisCoderState &state,
                    std::span<const std::uint8_t, kMaxWord + 1> rx,
                    std::span<std::uint8_t, kMaxWord + 1> decoded) {
    DecodeBch(p, state, rx, decoded, true);
}

} // namespace spi

#include "coding/bch_code.h"

#include "coding/galois_field.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

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

} // namespace

// The binary time-domain decoder. As in "АБМВ" the time-domain vectors are images of polynomials
// (see TimeDomainLocator); with even steps taken as 0 the odd steps need the syndromes
// S_1..S_(2t-1), and a binary word has S_2i = S_i^2. An information bit q is inverted where
// lambda[p] = Lambda(alpha^-p) = Lambda(alpha^(n-q+1)) is 0.
void decodeBch(const ModelParameters &p, GaloisCoderState &state,
               std::span<const std::uint8_t, kMaxWord + 1> rx,
               std::span<std::uint8_t, kMaxWord + 1> decoded) {
    PrepareBchField(p.polyNumbers[0], state);
    const BchShape s = ShapeOf(p, state);
    // Without a field the information bits pass as received.
    const int passed = s.valid ? s.k : std::clamp<int>(p.codeK, 0, kMaxWord);
    std::copy(rx.begin() + 1, rx.begin() + 1 + passed, decoded.begin() + 1);
    const int twoT = 2 * s.t;
    if (!s.valid || twoT == 0)
        return;
    const int order = s.order;

    const FastField f(state.bchExp, state.bchLog, order);
    std::array<std::uint8_t, kMaxFieldOrder + 1> syndrome{};
    // The odd syndromes. Bit q is the coefficient of x^p, p = N - n + q - 1, i.e. symbol
    // N - p = n - q + 1 of the word as EvaluateWord numbers it; the padding is zero. A set bit
    // has the logarithm 0, a clear one the sentinel, chosen without a branch: the bits are random.
    LogWord logBit;
    std::fill(logBit.begin(), logBit.end(), f.ZeroLog());
    for (int q = 1; q <= s.n; ++q)
        logBit[s.n - q + 1] = (static_cast<int>(rx[q] != 0) - 1) & f.ZeroLog();
    std::array<int, kMaxFieldOrder + 1> odd{};
    for (int i = 0; i < s.t; ++i)
        odd[i] = 2 * i + 1;
    std::array<std::uint8_t, kMaxFieldOrder + 1> oddSyndrome{};
    EvaluateWord(f, logBit, odd.data(), s.t, oddSyndrome.data());
    std::uint8_t any = 0;
    for (int i = 0; i < s.t; ++i) {
        syndrome[2 * i + 1] = oddSyndrome[i];
        any |= oddSyndrome[i];
    }
    if (any == 0)
        return;
    for (int j = 2; j < twoT; j += 2)
        syndrome[j] = f.Square(syndrome[j / 2]);

    std::array<std::uint8_t, kMaxFieldOrder + 1> lambda{};
    const int deg = TimeDomainLocator(f, syndrome.data(), twoT, true, lambda.data());

    // lambda[p] = Lambda(alpha^(n-q+1)) for q = 1..k
    std::array<std::uint8_t, kMaxFieldOrder + 1> value;
    EvaluateAtSuccessivePowers(f, lambda.data(), deg, s.n % order, -1, s.k, value.data());
    for (int q = 1; q <= s.k; ++q)
        if (value[q - 1] == 0)
            decoded[q] ^= 1;
}

} // namespace spi

// The shapes of the convolutional threshold codes as their coders read them from the parameters,
// and why settings cannot be coded. Shared by the files of the two code families and the settings
// check; nothing outside those files needs it.
#pragma once

#include "model/model_state.h"

#include <array>
#include <cstdint>

namespace spi::conv {

// A set of rate k0/n0 has n0-1 polynomials: convTapMax holds 1..7 of them, and the selection of
// the coder window never offers more than seven.
inline constexpr int kMaxPolys = 7;

// Why settings cannot be coded, with the values the message names. Built without allocating, so
// that every coder can test its settings on every word.
struct Fault {
    enum Kind {
        None,
        TermCount,     // value: genPolyTermCount
        NegativeTap,   // value: the tap
        WordLength,    // value: n (outside 0..2100)
        InfoLength,    // value: k (outside 0..2100)
        N0TooSmall,    // value: n0
        N0TooLarge,    // value: n0
        Rate,          // value: k0, extra: n0
        PolyRow,       // value: the row number, extra: which polynomial (1-based)
        NoTable,       // no tap table was given
        WordIndex,     // value: largest index into a word buffer (2100)
        CodeIndex,     // value: largest index into codeWord or channelSeq (5000)
        RegisterIndex, // value: largest register index (2100)
        SyndromeIndex, // value: largest syndrome index (10000)
    };
    Kind kind = None;
    long long value = 0;
    long long extra = 0;

    explicit operator bool() const { return kind != None; }
};

// Rate 1/2, code types 1 and 6: one polynomial, all of genPolyTerms; the last tap is taken to be
// k (= m) by the register.
struct HalfCode {
    int n = 0;
    int k = 0;
    int J = 0;
    const std::int32_t *d = nullptr;
};

// Rate k0/n0, code types 7, 12, 15, 16: n0-1 polynomials of J taps each, in genPolyTerms in the
// order of selection; the memory of each is the m column of its tap-table row.
struct K0N0Code {
    int n = 0;
    int k = 0;
    int n0 = 0;
    int k0 = 0;
    int L = 0;            // steps per word
    int J = 0;            // taps per polynomial
    int polys = 0;        // n0-1
    bool perStep = false; // rate (n0-1)/n0: one parity bit per step; else rate 1/n0
    std::array<const std::int32_t *, kMaxPolys + 1> d{}; // 1..polys
    std::array<int, kMaxPolys + 1> mem{};                // 1..polys
};

// Fill c from the parameters (and the tap table's memories), or say which limit the settings
// break (None when they can be coded). The syndrome buffer counts only withDecoder.
Fault AnalyseHalf(const ModelParameters &p, bool withDecoder, HalfCode &c);
Fault AnalyseK0N0(const ModelParameters &p, const TapRow *taps, K0N0Code &c);

// Leaves the memories and the steps per word in convTapMax and convStepsPerWord.
void KeepK0N0Layout(ConvThresholdState &s, const K0N0Code &c);

} // namespace spi::conv

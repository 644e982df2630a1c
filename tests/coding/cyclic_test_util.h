// Helpers shared by the tests of the binary cyclic coders: setting a code up the way the coder
// window leaves it, independent polynomial arithmetic over GF(2), and a hash for known answers.
#pragma once

#include "coding/cyclic_code.h"
#include "coding/gen_poly_parser.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <cstdint>
#include <string>
#include <vector>

namespace spi::test {

// g(x), n, k and Cm as the window stores them, then the parser as the window runs it.
inline void SetCyclicCode(ModelState &m, const std::string &g, int n, int k, int cm,
                          std::uint16_t codeType = 0) {
    m.codeType = codeType;
    m.genPolyText = g;
    m.codeN = n;
    m.codeK = k;
    m.codeT = cm;
    SilentNotifier quiet;
    parseGenPoly(m, quiet);
}

inline void SetBchRow(ModelState &m, int row, int cm) {
    const BchRow &r = m.bchTable[row];
    SetCyclicCode(m, r.g, r.n, r.k, cm);
}

// Coefficients of an octal generator, index = power of x. Read by digit value, not through the
// parser under test.
inline std::vector<std::uint8_t> OctalPolynomial(const std::string &octal) {
    std::vector<std::uint8_t> p;
    for (auto it = octal.rbegin(); it != octal.rend(); ++it)
        for (int b = 0; b < 3; ++b)
            p.push_back(static_cast<std::uint8_t>(((*it - '0') >> b) & 1));
    while (!p.empty() && p.back() == 0)
        p.pop_back();
    return p;
}

// Remainder of a(x) modulo g(x) by long division from the highest power down.
inline std::vector<std::uint8_t> PolyMod(std::vector<std::uint8_t> a,
                                         const std::vector<std::uint8_t> &g) {
    const std::size_t dg = g.size() - 1;
    for (std::size_t i = a.size(); i-- > dg;)
        if (a[i] != 0)
            for (std::size_t j = 0; j <= dg; ++j)
                a[i - dg + j] ^= g[j];
    a.resize(dg);
    return a;
}

// The codeword of the given information bits: infoWord, then the encoder.
inline std::vector<std::uint8_t> Encode(ModelState &m, const std::vector<std::uint8_t> &info) {
    for (std::size_t i = 0; i < info.size(); ++i)
        m.infoWord[i + 1] = info[i];
    encodeCyclic(m, m.infoWord, m.codeWord);
    return {m.codeWord.begin() + 1, m.codeWord.begin() + m.codeN + 1};
}

// The syndrome decoder on the model's own cells, words and results, as the chain runs it.
inline void DecodeSyndromeInModel(ModelState &m, long long wordNumber) {
    decodeSyndrome(m, m, m.rxWord, m.decodedWord, wordNumber,
                   {m.detectedBlockCount, m.wordErrProbAfter});
}

inline std::vector<std::uint8_t> RandomBits(ModelState &m, int count) {
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(count));
    for (auto &b : bits)
        b = static_cast<std::uint8_t>(m.random.RandomInt(2));
    return bits;
}

inline void SetReceived(ModelState &m, const std::vector<std::uint8_t> &word) {
    for (std::size_t i = 0; i < word.size(); ++i)
        m.rxWord[i + 1] = word[i];
}

template <class Bits> std::vector<std::uint8_t> Slice(const Bits &a, int from, int to) {
    return {a.begin() + from, a.begin() + to + 1};
}

// FNV-1a over decoded bits: pins a run of a decoder to the bit.
struct BitHash {
    std::uint64_t value = 14695981039346656037ull;
    void Add(std::uint8_t bit) {
        value ^= bit;
        value *= 1099511628211ull;
    }
};

} // namespace spi::test

#include "coding/cyclic_code.h"

#include "coding/cyclic_packed.h"
#include "coding/syndrome_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace spi {

using namespace cyclic;

namespace {

// Row p of parityColumns is the parity of the unit information word with its 1 at p, so the
// syndrome of any pattern is a XOR of rows; built once per run.
void BuildParityColumns(ModelState &m, const CodeShape &s, const PackedGenPoly &g) {
    std::uint64_t w[kDivisionWords];
    std::uint64_t parity[kPackedWords];
    for (int p = 1; p <= s.k; ++p) {
        std::fill(w, w + DivisionWords(s.n), 0);
        w[(p - 1) / kWordBits] = std::uint64_t{1} << ((p - 1) % kWordBits);
        DivideByGenPoly(w, s.k, g);
        ExtractBits(w, s.k, s.r, parity);
        UnpackBits(parity, s.r,
                   m.parityColumns.data() + static_cast<std::ptrdiff_t>(p - 1) * s.r + 1);
    }
}

} // namespace

void encodeCyclic(ModelState &m) {
    const CodeShape s = ShapeOf(m);
    const PackedGenPoly g = PackGenPoly(m, s.n);
    std::uint64_t w[kDivisionWords];
    std::fill(w, w + DivisionWords(s.n), 0);
    PackBits(m.infoWord.data() + 1, s.k, w);
    DivideByGenPoly(w, s.k, g);
    std::copy(m.infoWord.begin() + 1, m.infoWord.begin() + s.k + 1, m.codeWord.begin() + 1);
    std::uint64_t parity[kPackedWords];
    ExtractBits(w, s.k, s.r, parity);
    UnpackBits(parity, s.r, m.codeWord.data() + s.k + 1);
}

void decodeSyndrome(ModelState &m, long long wordNumber) {
    const CodeShape s = ShapeOf(m);
    const PackedGenPoly g = PackGenPoly(m, s.n);
    // Without room for the parity columns no pattern can be searched; the information bits then
    // pass as received.
    const bool columnsFit = static_cast<long long>(s.k) * s.r <= kMaxParity;
    if (wordNumber == 1) {
        if (columnsFit)
            BuildParityColumns(m, s, g);
        m.detectedBlockCount = 0;
    }

    std::copy(m.rxWord.begin() + 1, m.rxWord.begin() + s.k + 1, m.decoderWork1.begin() + 1);
    std::copy(m.rxWord.begin() + s.k + 1, m.rxWord.begin() + s.n + 1, m.decoderWork2.begin() + 1);
    // channelSeq keeps what the division leaves: the recomputed parity at k+1..n.
    std::uint64_t w[kDivisionWords];
    std::fill(w, w + DivisionWords(s.n), 0);
    PackBits(m.decoderWork1.data() + 1, s.k, w);
    DivideByGenPoly(w, s.k, g);
    UnpackBits(w, s.n, m.channelSeq.data() + 1);

    std::uint64_t syndrome[kPackedWords] = {};
    std::uint64_t recomputed[kPackedWords];
    PackBits(m.decoderWork2.data() + 1, s.r, syndrome);
    ExtractBits(w, s.k, s.r, recomputed);
    int weight = 0;
    for (int j = 0; j < (s.r + kWordBits - 1) / kWordBits; ++j) {
        syndrome[j] ^= recomputed[j];
        weight += std::popcount(syndrome[j]);
    }
    UnpackBits(syndrome, s.r, m.decoderWork3.data() + 1);

    // A syndrome no heavier than Cm is taken to come from errors in the parity bits alone.
    const int cm = m.codeT;
    if (columnsFit && cm >= 1 && cm <= kMaxSearchWeight && weight > cm) {
        std::array<int, kMaxSearchWeight + 1> q{};
        const int found = SearchPattern(m, s, syndrome, cm, q);
        if (found == 0)
            ++m.detectedBlockCount;
        for (int i = 1; i <= found; ++i)
            m.decoderWork1[static_cast<std::size_t>(q[i])] ^= 1;
        m.wordErrProbAfter =
            m.wordCount > 0 ? static_cast<double>(static_cast<long double>(m.detectedBlockCount) /
                                                  static_cast<long double>(m.wordCount))
                            : 0.0;
    }

    std::copy(m.decoderWork1.begin() + 1, m.decoderWork1.begin() + s.k + 1,
              m.decodedWord.begin() + 1);
    std::fill(m.decodedWord.begin() + s.k + 1, m.decodedWord.begin() + s.n + 1, 0);
}

} // namespace spi

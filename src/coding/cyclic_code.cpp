#include "coding/cyclic_code.h"

#include "coding/cyclic_packed.h"
#include "coding/syndrome_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>

namespace spi {

using namespace cyclic;

namespace {

// Row p of parityColumns is the parity of the unit information word with its 1 at p, so the
// syndrome of any pattern is a XOR of rows; built once per run.
void BuildParityColumns(std::span<std::uint8_t, kMaxParity + 1> columns, const CodeShape &s,
                        const PackedGenPoly &g) {
    std::uint64_t w[kDivisionWords];
    std::uint64_t parity[kPackedWords];
    for (int p = 1; p <= s.k; ++p) {
        std::fill(w, w + DivisionWords(s.n), 0);
        w[(p - 1) / kWordBits] = std::uint64_t{1} << ((p - 1) % kWordBits);
        DivideByGenPoly(w, s.k, g);
        ExtractBits(w, s.k, s.r, parity);
        UnpackBits(parity, s.r, columns.data() + static_cast<std::ptrdiff_t>(p - 1) * s.r + 1);
    }
}

} // namespace

void encodeCyclic(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> info,
                  std::span<std::uint8_t, kMaxBlock + 1> code) {
    const CodeShape s = ShapeOf(p);
    const PackedGenPoly g = PackGenPoly(p, s.n);
    std::uint64_t w[kDivisionWords];
    std::fill(w, w + DivisionWords(s.n), 0);
    PackBits(info.data() + 1, s.k, w);
    DivideByGenPoly(w, s.k, g);
    std::copy(info.begin() + 1, info.begin() + s.k + 1, code.begin() + 1);
    std::uint64_t parity[kPackedWords];
    ExtractBits(w, s.k, s.r, parity);
    UnpackBits(parity, s.r, code.data() + s.k + 1);
}

void decodeSyndrome(const ModelParameters &p, DecoderWorkCells &cells,
                    std::span<const std::uint8_t, kMaxWord + 1> rx,
                    std::span<std::uint8_t, kMaxWord + 1> decoded, long long wordNumber,
                    SyndromeTally tally) {
    const CodeShape s = ShapeOf(p);
    const PackedGenPoly g = PackGenPoly(p, s.n);
    // Without room for the parity columns no pattern can be searched; the information bits then
    // pass as received.
    const bool columnsFit = static_cast<long long>(s.k) * s.r <= kMaxParity;
    if (wordNumber == 1) {
        if (columnsFit)
            BuildParityColumns(cells.parityColumns, s, g);
        tally.detectedBlockCount = 0;
    }

    // decoderWork1 takes the received information bits and the corrections; a correction of a
    // parity position lands at k+1..n there and goes no further.
    auto &word = cells.decoderWork1;
    std::copy(rx.begin() + 1, rx.begin() + s.k + 1, word.begin() + 1);
    std::copy(rx.begin() + s.k + 1, rx.begin() + s.n + 1, cells.decoderWork2.begin() + 1);
    // The parity recomputed from the received information bits, added to the received parity.
    std::uint64_t w[kDivisionWords];
    std::fill(w, w + DivisionWords(s.n), 0);
    PackBits(word.data() + 1, s.k, w);
    DivideByGenPoly(w, s.k, g);

    std::uint64_t syndrome[kPackedWords] = {};
    std::uint64_t recomputed[kPackedWords];
    PackBits(cells.decoderWork2.data() + 1, s.r, syndrome);
    ExtractBits(w, s.k, s.r, recomputed);
    int weight = 0;
    for (int j = 0; j < (s.r + kWordBits - 1) / kWordBits; ++j) {
        syndrome[j] ^= recomputed[j];
        weight += std::popcount(syndrome[j]);
    }
    UnpackBits(syndrome, s.r, cells.decoderWork3.data() + 1);

    // A syndrome no heavier than Cm is taken to come from errors in the parity bits alone.
    const int cm = p.codeT;
    if (columnsFit && cm >= 1 && cm <= kMaxSearchWeight && weight > cm) {
        std::array<int, kMaxSearchWeight + 1> q{};
        const int found = SearchPattern(cells.parityColumns, s, syndrome, cm, q);
        if (found == 0)
            ++tally.detectedBlockCount;
        for (int i = 1; i <= found; ++i)
            word[static_cast<std::size_t>(q[i])] ^= 1;
        tally.wordErrProbAfter =
            p.wordCount > 0
                ? static_cast<double>(static_cast<long double>(tally.detectedBlockCount) /
                                      static_cast<long double>(p.wordCount))
                : 0.0;
    }

    std::copy(word.begin() + 1, word.begin() + s.k + 1, decoded.begin() + 1);
    std::fill(decoded.begin() + s.k + 1, decoded.begin() + s.n + 1, 0);
}

} // namespace spi

#include "coding/cyclic_code.h"

#include "coding/cyclic_packed.h"
#include "coding/cyclic_remainder.h"
#include "coding/syndrome_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
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

namespace {

// The tables of the last g(x) this thread divided by, with what they were made from: the terms as
// the parser left them, n and r. A fresh memo matches no code, and its table is that of feedback 0:
// all zeros.
struct DivisionMemo {
    int n = -1;
    int r = -1;
    int count = -1;
    std::array<std::int32_t, kPolyTerms> terms = {};
    bool fits = false; // whether one word holds the remainder
    RemainderTable table;
};

// The tables for p's g(x), or nullptr where the remainder needs more than a word. Comparing the
// terms costs less than reading g(x) anew.
const RemainderTable *RemainderTableFor(const ModelParameters &p, const CodeShape &s) {
    thread_local DivisionMemo memo;
    const int count = std::clamp<int>(p.genPolyTermCount, 0, kPolyTerms);
    const auto bytes = static_cast<std::size_t>(count) * sizeof(std::int32_t);
    if (memo.n != s.n || memo.r != s.r || memo.count != count ||
        std::memcmp(memo.terms.data(), p.genPolyTerms.data(), bytes) != 0) {
        std::uint64_t feedback = 0;
        memo.fits = FeedbackOf(p, s, feedback);
        if (memo.fits && memo.table.feedback != feedback)
            BuildRemainderTable(feedback, memo.table);
        std::memcpy(memo.terms.data(), p.genPolyTerms.data(), bytes);
        memo.n = s.n;
        memo.r = s.r;
        memo.count = count;
    }
    return memo.fits ? &memo.table : nullptr;
}

// Whether w[0..words-1] has more than limit bits set: the lowest set bit cleared limit times (the
// portable build has no instruction that counts them).
bool HeavierThan(const std::uint64_t *w, int words, int limit) {
    for (int j = 0; j < words; ++j) {
        std::uint64_t x = w[j];
        for (; x != 0; x &= x - 1)
            if (--limit < 0)
                return true;
    }
    return false;
}

// dst[0..count-1] := src[0..count-1]; short words without a library call.
inline void CopyBits(std::uint8_t *dst, const std::uint8_t *src, int count) {
    if (count > 16) {
        std::memcpy(dst, src, static_cast<std::size_t>(count));
    } else if (count >= 8) {
        std::uint64_t head = 0, tail = 0;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + count - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + count - 8, &tail, 8);
    } else {
        for (int i = 0; i < count; ++i)
            dst[i] = src[i];
    }
}

// The parity of info[0..k-1] by the division a position at a time, bits past r cleared.
void ParityPlain(const CodeShape &s, const PackedGenPoly &g, const std::uint8_t *info,
                 std::uint64_t *parity) {
    std::uint64_t w[kDivisionWords];
    std::fill(w, w + DivisionWords(s.n), 0);
    PackBits(info, s.k, w);
    DivideByGenPoly(w, s.k, g);
    ExtractBits(w, s.k, s.r, parity);
}

// The same, a byte of information at a time where g(x) allows it.
void Parity(const ModelParameters &p, const CodeShape &s, const std::uint8_t *info,
            std::uint64_t *parity) {
    const RemainderTable *table = RemainderTableFor(p, s);
    if (table == nullptr) {
        ParityPlain(s, PackGenPoly(p, s.n), info, parity);
        return;
    }
    const std::uint64_t reg = RemainderOf(*table, info, s.k);
    parity[0] = s.r == kWordBits ? reg : reg & ((std::uint64_t{1} << s.r) - 1);
}

void EncodeWith(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> info,
                std::span<std::uint8_t, kMaxBlock + 1> code, bool plain) {
    const CodeShape s = ShapeOf(p);
    std::uint64_t parity[kPackedWords];
    if (plain)
        ParityPlain(s, PackGenPoly(p, s.n), info.data() + 1, parity);
    else
        Parity(p, s, info.data() + 1, parity);
    CopyBits(code.data() + 1, info.data() + 1, s.k);
    UnpackBits(parity, s.r, code.data() + s.k + 1);
}

void DecodeWith(const ModelParameters &p, DecoderWorkCells &cells,
                std::span<const std::uint8_t, kMaxWord + 1> rx,
                std::span<std::uint8_t, kMaxWord + 1> decoded, long long wordNumber,
                SyndromeTally tally, bool plain) {
    const CodeShape s = ShapeOf(p);
    // Without room for the parity columns no pattern can be searched; the information bits then
    // pass as received.
    const bool columnsFit = static_cast<long long>(s.k) * s.r <= kMaxParity;
    if (wordNumber == 1) {
        if (columnsFit)
            BuildParityColumns(cells.parityColumns, s, PackGenPoly(p, s.n));
        tally.detectedBlockCount = 0;
    }

    // decoderWork1 takes the received information bits and the corrections; a correction of a
    // parity position lands at k+1..n there and goes no further.
    auto &word = cells.decoderWork1;
    CopyBits(word.data() + 1, rx.data() + 1, s.k);
    CopyBits(cells.decoderWork2.data() + 1, rx.data() + s.k + 1, s.r);
    // The parity recomputed from the received information bits, added to the received parity.
    std::uint64_t syndrome[kPackedWords];
    std::uint64_t recomputed[kPackedWords];
    std::fill(syndrome, syndrome + (s.r + kWordBits - 1) / kWordBits, 0);
    if (plain)
        ParityPlain(s, PackGenPoly(p, s.n), rx.data() + 1, recomputed);
    else
        Parity(p, s, rx.data() + 1, recomputed);
    PackBits(rx.data() + s.k + 1, s.r, syndrome);
    const int words = (s.r + kWordBits - 1) / kWordBits;
    for (int j = 0; j < words; ++j)
        syndrome[j] ^= recomputed[j];
    UnpackBits(syndrome, s.r, cells.decoderWork3.data() + 1);

    // A syndrome no heavier than Cm is taken to come from errors in the parity bits alone.
    const int cm = p.codeT;
    if (columnsFit && cm >= 1 && cm <= kMaxSearchWeight && HeavierThan(syndrome, words, cm)) {
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

    CopyBits(decoded.data() + 1, word.data() + 1, s.k);
    std::fill(decoded.begin() + s.k + 1, decoded.begin() + s.n + 1, 0);
}

} // namespace

void encodeCyclic(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> info,
                  std::span<std::uint8_t, kMaxBlock + 1> code) {
    EncodeWith(p, info, code, false);
}

void encodeCyclicPlain(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> info,
                       std::span<std::uint8_t, kMaxBlock + 1> code) {
    EncodeWith(p, info, code, true);
}

void decodeSyndrome(const ModelParameters &p, DecoderWorkCells &cells,
                    std::span<const std::uint8_t, kMaxWord + 1> rx,
                    std::span<std::uint8_t, kMaxWord + 1> decoded, long long wordNumber,
                    SyndromeTally tally) {
    DecodeWith(p, cells, rx, decoded, wordNumber, tally, false);
}

void decodeSyndromePlain(const ModelParameters &p, DecoderWorkCells &cells,
                         std::span<const std::uint8_t, kMaxWord + 1> rx,
                         std::span<std::uint8_t, kMaxWord + 1> decoded, long long wordNumber,
                         SyndromeTally tally) {
    DecodeWith(p, cells, rx, decoded, wordNumber, tally, true);
}

} // namespace spi

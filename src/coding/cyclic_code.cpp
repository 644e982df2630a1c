#include "coding/cyclic_code.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace spi {

namespace {

struct CodeShape {
    int n = 0;
    int k = 0;
    int r = 0; // n - k parity bits
};

// The run refuses settings beyond the buffers before it starts; clamping here only keeps a call
// with bad settings inside the arrays.
CodeShape ShapeOf(const ModelState &m) {
    CodeShape s;
    s.n = std::clamp<int>(m.codeN, 0, kMaxWord);
    s.k = std::clamp<int>(m.codeK, 0, s.n);
    s.r = s.n - s.k;
    return s;
}

// Positions 1..k of w hold information bits; afterwards k+1..n hold their parity. An exponent
// larger than n - k would only write past the word, so such writes are dropped: positions
// 1..n come out exactly as they would otherwise.
void DivideByGenPoly(const ModelState &m, std::uint8_t *w, int n, int k) {
    const int count = std::clamp<int>(m.genPolyTermCount, 0, kPolyTerms);
    const std::int32_t *terms = m.genPolyTerms.data();
    for (int i = 1; i <= k; ++i) {
        if (w[i] == 0)
            continue;
        for (int j = 0; j < count; ++j) {
            const std::int32_t d = terms[j];
            if (d >= 0 && d <= n - i)
                w[i + d] ^= 1;
        }
    }
}

// Row p of parityColumns is the parity of the unit information word with its 1 at p, so the
// syndrome of any pattern is a XOR of rows; built once per run.
void BuildParityColumns(ModelState &m, const CodeShape &s) {
    for (int p = 1; p <= s.k; ++p) {
        std::fill(m.decoderWork1.begin() + 1, m.decoderWork1.begin() + s.k + 1, 0);
        m.decoderWork1[static_cast<std::size_t>(p)] = 1;
        std::copy(m.decoderWork1.begin() + 1, m.decoderWork1.begin() + s.k + 1,
                  m.channelSeq.begin() + 1);
        std::fill(m.channelSeq.begin() + s.k + 1, m.channelSeq.begin() + s.n + 1, 0);
        DivideByGenPoly(m, m.channelSeq.data(), s.n, s.k);
        std::copy(m.channelSeq.begin() + s.k + 1, m.channelSeq.begin() + s.n + 1,
                  m.parityColumns.begin() + (p - 1) * s.r + 1);
    }
}

// ---- The search for the lightest error pattern that explains a syndrome ----
//
// The search must return the same pattern as trying every set of w positions in lexicographic
// order, w = 1..Cm, and comparing its syndrome bit by bit. It does so faster in two ways:
// syndromes are packed into 64-bit words, and the last position of a set is not tried one by one
// but looked up: it must contribute exactly (syndrome XOR the other positions), and among the
// positions after the previous one that do, the smallest comes first in lexicographic order.

constexpr int kMaxSyndromeWords = (kMaxWord + 63) / 64;
constexpr int kMaxSearchWeight = 5;
constexpr int kMaxBuckets = 8192; // a power of two of at least 2 * kMaxWord

struct SearchTables {
    // Row p (1-based) of the packed parity columns at (p - 1) * words. Under the parityColumns
    // limit k * words never exceeds kMaxWord: one word per row for k up to 2099, and for two or
    // more words per row (n - k > 64) k is at most 153.
    std::array<std::uint64_t, kMaxWord> columns;
    // Positions 1..k hashed by the first word of their column; each chain runs in increasing
    // position order, so the first equal column after a position is the smallest.
    std::array<std::int16_t, kMaxBuckets> head;
    std::array<std::int16_t, kMaxWord + 1> next;
};

struct SearchContext {
    const std::uint64_t *columns;
    const std::int16_t *head;
    const std::int16_t *next;
    int bucketShift;
    int n;
    int k;
    int words;
};

inline std::uint32_t BucketOf(std::uint64_t firstWord, int shift) {
    return static_cast<std::uint32_t>((firstWord * 0x9E3779B97F4A7C15ull) >> shift);
}

// Words == 0: the number of words per syndrome is known only at run time.
template <int Words> inline int WordsOf(const SearchContext &c) {
    return Words ? Words : c.words;
}

// to := from XOR the syndrome contribution of position q (a parity position contributes the unit
// vector of its own parity bit).
template <int Words>
inline void AddPosition(const SearchContext &c, int q, const std::uint64_t *from,
                        std::uint64_t *to) {
    const int words = WordsOf<Words>(c);
    if (q <= c.k) {
        const std::uint64_t *row = c.columns + static_cast<std::ptrdiff_t>(q - 1) * words;
        for (int j = 0; j < words; ++j)
            to[j] = from[j] ^ row[j];
    } else {
        for (int j = 0; j < words; ++j)
            to[j] = from[j];
        const int bit = q - c.k - 1;
        to[bit >> 6] ^= std::uint64_t{1} << (bit & 63);
    }
}

// The smallest position q > after whose contribution equals target, or 0 when there is none.
template <int Words>
int FirstMatchAfter(const SearchContext &c, const std::uint64_t *target, int after) {
    const int words = WordsOf<Words>(c);
    if (after < c.k) {
        for (int p = c.head[BucketOf(target[0], c.bucketShift)]; p != 0; p = c.next[p]) {
            if (p <= after)
                continue;
            const std::uint64_t *row = c.columns + static_cast<std::ptrdiff_t>(p - 1) * words;
            bool equal = true;
            for (int j = 0; j < words && equal; ++j)
                equal = row[j] == target[j];
            if (equal)
                return p;
        }
    }
    // Every information position comes before every parity position, so only now may a parity
    // position match: when target is the unit vector of its bit.
    int bit = -1;
    for (int j = 0; j < words; ++j) {
        if (target[j] == 0)
            continue;
        if (bit >= 0 || (target[j] & (target[j] - 1)) != 0)
            return 0;
        bit = 64 * j + std::countr_zero(target[j]);
    }
    if (bit < 0)
        return 0;
    const int q = c.k + 1 + bit;
    return q > after && q <= c.n ? q : 0;
}

// Positions of the first matching set in q[1..w]; returns w, or 0 when no set of weight up to
// maxWeight explains the syndrome.
template <int Words>
int FindErrorPattern(const SearchContext &c, const std::uint64_t *syndrome, int maxWeight,
                     std::array<int, kMaxSearchWeight + 1> &q) {
    const int words = WordsOf<Words>(c);
    // rest[j] = syndrome XOR the contributions of q[1..j]
    std::uint64_t rest[kMaxSearchWeight][kMaxSyndromeWords];
    std::copy(syndrome, syndrome + words, rest[0]);
    for (int w = 1; w <= maxWeight && w <= c.n; ++w) {
        if (w == 1) {
            q[1] = FirstMatchAfter<Words>(c, rest[0], 0);
            if (q[1] != 0)
                return 1;
            continue;
        }
        int level = 1;
        q[1] = 1;
        AddPosition<Words>(c, 1, rest[0], rest[1]);
        for (;;) {
            if (level < w - 1) {
                q[level + 1] = q[level] + 1;
                AddPosition<Words>(c, q[level + 1], rest[level], rest[level + 1]);
                ++level;
                continue;
            }
            const int last = FirstMatchAfter<Words>(c, rest[level], q[level]);
            if (last != 0) {
                q[w] = last;
                return w;
            }
            while (level >= 1 && q[level] == c.n - (w - level))
                --level;
            if (level == 0)
                break;
            ++q[level];
            AddPosition<Words>(c, q[level], rest[level - 1], rest[level]);
        }
    }
    return 0;
}

// Packs parityColumns and the syndrome, then searches. Returns the weight of the pattern found.
int SearchPattern(const ModelState &m, const CodeShape &s, int maxWeight,
                  std::array<int, kMaxSearchWeight + 1> &q) {
    const int words = (s.r + 63) / 64;
    if (words == 0 || s.k * words > kMaxWord)
        return 0;

    SearchTables t;
    std::uint64_t syndrome[kMaxSyndromeWords] = {};
    for (int i = 0; i < s.r; ++i)
        if (m.decoderWork3[static_cast<std::size_t>(i + 1)] != 0)
            syndrome[i >> 6] |= std::uint64_t{1} << (i & 63);

    int bucketBits = 4;
    while ((1 << bucketBits) < 2 * s.k)
        ++bucketBits;
    const int shift = 64 - bucketBits;
    std::fill(t.head.begin(), t.head.begin() + (1 << bucketBits), 0);
    for (int p = s.k; p >= 1; --p) {
        std::uint64_t *row = t.columns.data() + static_cast<std::ptrdiff_t>(p - 1) * words;
        std::fill(row, row + words, 0);
        const std::uint8_t *bits = m.parityColumns.data() + (p - 1) * s.r + 1;
        for (int i = 0; i < s.r; ++i)
            if (bits[i] != 0)
                row[i >> 6] |= std::uint64_t{1} << (i & 63);
        const std::uint32_t b = BucketOf(row[0], shift);
        t.next[static_cast<std::size_t>(p)] = t.head[b];
        t.head[b] = static_cast<std::int16_t>(p);
    }

    const SearchContext c{t.columns.data(), t.head.data(), t.next.data(), shift, s.n, s.k, words};
    switch (words) {
    case 1:
        return FindErrorPattern<1>(c, syndrome, maxWeight, q);
    case 2:
        return FindErrorPattern<2>(c, syndrome, maxWeight, q);
    default:
        return FindErrorPattern<0>(c, syndrome, maxWeight, q);
    }
}

} // namespace

void encodeCyclic(ModelState &m) {
    const CodeShape s = ShapeOf(m);
    std::copy(m.infoWord.begin() + 1, m.infoWord.begin() + s.k + 1, m.codeWord.begin() + 1);
    std::fill(m.codeWord.begin() + s.k + 1, m.codeWord.begin() + s.n + 1, 0);
    DivideByGenPoly(m, m.codeWord.data(), s.n, s.k);
    std::copy(m.infoWord.begin() + 1, m.infoWord.begin() + s.k + 1, m.codeWord.begin() + 1);
}

void decodeSyndrome(ModelState &m, long long wordNumber) {
    const CodeShape s = ShapeOf(m);
    // Without room for the parity columns no pattern can be searched; the information bits then
    // pass as received.
    const bool columnsFit = static_cast<long long>(s.k) * s.r <= kMaxParity;
    if (wordNumber == 1) {
        if (columnsFit)
            BuildParityColumns(m, s);
        m.detectedBlockCount = 0;
    }

    std::fill(m.channelSeq.begin() + 1, m.channelSeq.begin() + s.n + 1, 0);
    std::copy(m.rxWord.begin() + 1, m.rxWord.begin() + s.k + 1, m.decoderWork1.begin() + 1);
    std::copy(m.rxWord.begin() + s.k + 1, m.rxWord.begin() + s.n + 1, m.decoderWork2.begin() + 1);
    std::copy(m.decoderWork1.begin() + 1, m.decoderWork1.begin() + s.k + 1,
              m.channelSeq.begin() + 1);
    DivideByGenPoly(m, m.channelSeq.data(), s.n, s.k);

    int weight = 0;
    for (int j = 1; j <= s.r; ++j) {
        const auto bit = static_cast<std::uint8_t>(m.decoderWork2[static_cast<std::size_t>(j)] ^
                                                   m.channelSeq[static_cast<std::size_t>(s.k + j)]);
        m.decoderWork3[static_cast<std::size_t>(j)] = bit;
        weight += bit;
    }

    // A syndrome no heavier than Cm is taken to come from errors in the parity bits alone.
    const int cm = m.codeT;
    if (columnsFit && cm >= 1 && cm <= kMaxSearchWeight && weight > cm) {
        std::array<int, kMaxSearchWeight + 1> q{};
        const int found = SearchPattern(m, s, cm, q);
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

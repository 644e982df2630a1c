#include "coding/cyclic_code.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

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

// ---- Division by g(x) ----
//
// The division runs over the positions 1..k in increasing order and, wherever the bit is 1 at
// that moment, adds g(x) shifted to start there. It is done on packed words (bit i-1 of the array
// is position i), which gives the same bits as doing it one byte per position.

constexpr int kWordBits = 64;
constexpr int kPackedWords = (kMaxWord + kWordBits - 1) / kWordBits; // 33
// A shifted g(x) reaches at most position k + n - 1 < 2 * kMaxWord.
constexpr int kDivisionWords = 2 * kPackedWords + 2;

// The words of a division array that a code of length n can touch.
int DivisionWords(int n) {
    return 2 * ((n + kWordBits - 1) / kWordBits) + 2;
}

struct PackedGenPoly {
    std::array<std::uint64_t, kPackedWords> bits; // words 0..max(words, 1) - 1 are valid
    int words = 0;
};

// Exponents of n or more can only write past the word, never into positions 1..n, which is all
// anyone reads; they are left out. A repeated exponent adds its shift twice, i.e. not at all.
PackedGenPoly PackGenPoly(const ModelState &m, int n) {
    PackedGenPoly g;
    const int count = std::clamp<int>(m.genPolyTermCount, 0, kPolyTerms);
    if (n <= kWordBits) {
        // A short code (the default one among them) packs into one word, kept in a register:
        // this runs for every word the encoder sees.
        std::uint64_t bits = 0;
        for (int j = 0; j < count; ++j) {
            const std::int32_t d = m.genPolyTerms[static_cast<std::size_t>(j)];
            if (d < 0 || d >= n)
                continue;
            bits ^= std::uint64_t{1} << d;
            g.words = 1;
        }
        g.bits[0] = bits;
        return g;
    }
    std::fill(g.bits.begin(), g.bits.begin() + (n + kWordBits - 1) / kWordBits, 0);
    for (int j = 0; j < count; ++j) {
        const std::int32_t d = m.genPolyTerms[static_cast<std::size_t>(j)];
        if (d < 0 || d >= n)
            continue;
        g.bits[static_cast<std::size_t>(d / kWordBits)] ^= std::uint64_t{1} << (d % kWordBits);
        g.words = std::max(g.words, d / kWordBits + 1);
    }
    return g;
}

// x >> (64 - s): the part of x << s that spills into the next word; 0 for s = 0.
inline std::uint64_t Spill(std::uint64_t x, int s) {
    return (x >> 1) >> (kWordBits - 1 - s);
}

void DivideByGenPoly(std::uint64_t *w, int k, const PackedGenPoly &g) {
    for (int base = 0; base * kWordBits < k; ++base) {
        const int infoBits = std::min(kWordBits, k - base * kWordBits);
        const std::uint64_t infoMask =
            infoBits == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << infoBits) - 1;
        std::uint64_t current = w[base];
        std::uint64_t pending = current & infoMask;
        while (pending != 0) {
            const int s = std::countr_zero(pending);
            current ^= g.bits[0] << s;
            std::uint64_t spill = Spill(g.bits[0], s);
            for (int j = 1; j < g.words; ++j) {
                w[base + j] ^= (g.bits[static_cast<std::size_t>(j)] << s) | spill;
                spill = Spill(g.bits[static_cast<std::size_t>(j)], s);
            }
            w[base + std::max(g.words, 1)] ^= spill;
            // Only positions after s are still to come, whatever the addition did to s itself.
            pending = current & infoMask & ((~std::uint64_t{0} << s) << 1);
        }
        w[base] = current;
    }
}

// The 64 bits of w from bit i on; w[i / 64 + 1] must be readable.
inline std::uint64_t BitsFrom(const std::uint64_t *w, int i) {
    const int b = i / kWordBits;
    const int s = i % kWordBits;
    return (w[b] >> s) | ((w[b + 1] << 1) << (kWordBits - 1 - s));
}

// count bits of w from bit `from` on into out[0..], the bits past count cleared.
void ExtractBits(const std::uint64_t *w, int from, int count, std::uint64_t *out) {
    const int words = (count + kWordBits - 1) / kWordBits;
    for (int j = 0; j < words; ++j)
        out[j] = BitsFrom(w, from + j * kWordBits);
    if (count % kWordBits != 0)
        out[words - 1] &= (std::uint64_t{1} << (count % kWordBits)) - 1;
}

// bytes[0..count-1] (0 or 1 each) into bits 0..count-1 of w; the rest of the last word is cleared.
void PackBits(const std::uint8_t *bytes, int count, std::uint64_t *w) {
    for (int base = 0; base * kWordBits < count; ++base) {
        const int end = std::min(count, (base + 1) * kWordBits);
        std::uint64_t word = 0;
        int i = base * kWordBits;
        for (; i + 8 <= end; i += 8) {
            std::uint64_t eight = 0;
            std::memcpy(&eight, bytes + i, sizeof eight);
            // The low bit of each byte gathered into the top byte by one multiply (little-endian).
            eight &= 0x0101010101010101ull;
            word |= ((eight * 0x0102040810204080ull) >> 56) << (i % kWordBits);
        }
        for (; i < end; ++i)
            word |= static_cast<std::uint64_t>(bytes[i] & 1u) << (i % kWordBits);
        w[base] = word;
    }
}

// Bits 0..count-1 of w into bytes[0..count-1], one 0 or 1 per byte.
void UnpackBits(const std::uint64_t *w, int count, std::uint8_t *bytes) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const std::uint64_t eight = (w[i / kWordBits] >> (i % kWordBits)) & 0xFFu;
        // Bit j of the byte to bit 7 of byte j, then down to bit 0 (little-endian).
        std::uint64_t spread = (eight * 0x0101010101010101ull) & 0x8040201008040201ull;
        spread = ((spread + 0x7F7F7F7F7F7F7F7Full) >> 7) & 0x0101010101010101ull;
        std::memcpy(bytes + i, &spread, sizeof spread);
    }
    for (; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>((w[i / kWordBits] >> (i % kWordBits)) & 1u);
}

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

// ---- The search for the lightest error pattern that explains a syndrome ----
//
// The search must return the same pattern as trying every set of w positions in lexicographic
// order, w = 1..Cm, and comparing its syndrome bit by bit. It does so faster in two ways:
// syndromes are packed into 64-bit words, and the last position of a set is not tried one by one
// but looked up: it must contribute exactly (syndrome XOR the other positions), and among the
// positions after the previous one that do, the smallest comes first in lexicographic order.

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
    std::uint64_t rest[kMaxSearchWeight][kPackedWords];
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

// ---- Tables kept from word to word ----
//
// The packed columns and their hash chains depend only on parityColumns, which a run builds at its
// first word; building them again for every word that needs the search took a third of the
// decoder's time. They are kept per thread together with the columns they were made from, and
// made again whenever a word arrives with other columns (another code, run or model), so every
// word is decoded exactly as if they had been made for it.
//
// A code small enough goes one step further: once it has needed the search often enough to pay
// for it, the answer for every syndrome is tabulated by walking all sets of up to Cm positions in
// the search's own order, w = 1..Cm and lexicographic within w, keeping for each syndrome the first
// set that reaches it: the set the search returns.

constexpr int kAnswerMaxParity = 20;     // 2^20 answers of 4 bytes
constexpr int kAnswerMaxPositions = 255; // a position per byte
constexpr int kAnswerMaxWeight = 4;      // four bytes per answer
constexpr long long kAnswerMaxSets = 1LL << 22;
constexpr long long kSearchesBeforeAnswers = 64;

struct SearchMemo {
    std::vector<std::uint8_t> columnsKey; // parityColumns[1..k*r] the tables were made from
    int n = -1;
    int k = -1;
    int shift = 0;
    std::unique_ptr<SearchTables> tables; // on the heap: every thread has a memo of its own
    long long searches = 0;               // searches made with these tables
    // Answers for Cm = answerCm (0: none tabulated), indexed by the syndrome: the positions of the
    // set, one per byte from the lowest, 0 when no set of up to Cm positions explains it.
    int answerCm = 0;
    std::vector<std::uint32_t> answers;
};

SearchMemo &MemoFor(const ModelState &m, const CodeShape &s, int words) {
    thread_local SearchMemo memo;
    const std::uint8_t *columns = m.parityColumns.data() + 1;
    const auto bytes = static_cast<std::size_t>(s.k) * static_cast<std::size_t>(s.r);
    if (memo.n == s.n && memo.k == s.k && memo.columnsKey.size() == bytes &&
        std::equal(columns, columns + bytes, memo.columnsKey.begin()))
        return memo;

    // The key goes last, so that a memo left half made (out of memory) is never taken as made.
    memo.columnsKey.clear();
    memo.searches = 0;
    memo.answerCm = 0;
    int bucketBits = 4;
    while ((1 << bucketBits) < 2 * s.k)
        ++bucketBits;
    memo.shift = 64 - bucketBits;
    if (!memo.tables)
        memo.tables = std::make_unique<SearchTables>();
    SearchTables &t = *memo.tables;
    std::fill(t.head.begin(), t.head.begin() + (1 << bucketBits), 0);
    for (int p = s.k; p >= 1; --p) {
        std::uint64_t *row = t.columns.data() + static_cast<std::ptrdiff_t>(p - 1) * words;
        PackBits(columns + static_cast<std::ptrdiff_t>(p - 1) * s.r, s.r, row);
        const std::uint32_t b = BucketOf(row[0], memo.shift);
        t.next[static_cast<std::size_t>(p)] = t.head[b];
        t.head[b] = static_cast<std::int16_t>(p);
    }
    memo.n = s.n;
    memo.k = s.k;
    memo.columnsKey.assign(columns, columns + bytes);
    return memo;
}

bool AnswersFit(const CodeShape &s, int cm) {
    if (s.r < 1 || s.r > kAnswerMaxParity || s.n > kAnswerMaxPositions || cm > kAnswerMaxWeight)
        return false;
    long long sets = 0;
    long long choose = 1; // C(n, w)
    for (int w = 1; w <= cm; ++w) {
        choose = choose * (s.n - w + 1) / w;
        sets += choose;
        if (sets > kAnswerMaxSets)
            return false;
    }
    return true;
}

void TabulateAnswers(SearchMemo &memo, const CodeShape &s, int cm) {
    memo.answerCm = 0;
    memo.answers.assign(std::size_t{1} << s.r, 0);
    std::array<std::uint32_t, kAnswerMaxPositions + 1> contribution{};
    for (int q = 1; q <= s.n; ++q)
        contribution[static_cast<std::size_t>(q)] =
            q <= s.k
                ? static_cast<std::uint32_t>(memo.tables->columns[static_cast<std::size_t>(q - 1)])
                : std::uint32_t{1} << (q - s.k - 1);
    std::uint32_t *answers = memo.answers.data();
    // Sets of w positions from `from` on, after positions packed into `set` whose syndrome is acc.
    const auto walk = [&](auto &&self, int w, int from, std::uint32_t acc, std::uint32_t set,
                          int shift) -> void {
        for (int q = from; q <= s.n - w + 1; ++q) {
            const std::uint32_t syndrome = acc ^ contribution[static_cast<std::size_t>(q)];
            const std::uint32_t with = set | static_cast<std::uint32_t>(q) << shift;
            if (w == 1) {
                if (answers[syndrome] == 0)
                    answers[syndrome] = with;
            } else {
                self(self, w - 1, q + 1, syndrome, with, shift + 8);
            }
        }
    };
    for (int w = 1; w <= cm; ++w)
        walk(walk, w, 1, 0, 0, 0);
    memo.answerCm = cm;
}

// Packs parityColumns (or finds them packed), then searches. Returns the weight of the pattern
// found.
int SearchPattern(const ModelState &m, const CodeShape &s, const std::uint64_t *syndrome,
                  int maxWeight, std::array<int, kMaxSearchWeight + 1> &q) {
    const int words = (s.r + kWordBits - 1) / kWordBits;
    if (words == 0 || s.k * words > kMaxWord)
        return 0;
    SearchMemo &memo = MemoFor(m, s, words);

    if (memo.answerCm != maxWeight && ++memo.searches >= kSearchesBeforeAnswers &&
        AnswersFit(s, maxWeight))
        TabulateAnswers(memo, s, maxWeight);
    if (memo.answerCm == maxWeight) {
        std::uint32_t set = memo.answers[static_cast<std::size_t>(syndrome[0])];
        int w = 0;
        for (; set != 0; set >>= 8)
            q[static_cast<std::size_t>(++w)] = static_cast<int>(set & 0xFFu);
        return w;
    }

    const SearchContext c{memo.tables->columns.data(),
                          memo.tables->head.data(),
                          memo.tables->next.data(),
                          memo.shift,
                          s.n,
                          s.k,
                          words};
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

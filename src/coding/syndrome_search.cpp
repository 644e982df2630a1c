#include "coding/syndrome_search.h"

#include "coding/syndrome_answers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace spi::cyclic {

namespace {

// ---- The search for the lightest error pattern that explains a syndrome ----
//
// The search must return the same pattern as trying every set of w positions in lexicographic
// order, w = 1..Cm, and comparing its syndrome bit by bit. It does so faster in two ways:
// syndromes are packed into 64-bit words, and the last position of a set is not tried one by one
// but looked up: it must contribute exactly (syndrome XOR the other positions), and among the
// positions after the previous one that do, the smallest comes first in lexicographic order.

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
// for it, the answer for every syndrome is tabulated (syndrome_answers.h).

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

SearchMemo &MemoFor(std::span<const std::uint8_t, kMaxParity + 1> parityColumns, const CodeShape &s,
                    int words) {
    thread_local SearchMemo memo;
    const std::uint8_t *columns = parityColumns.data() + 1;
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

} // namespace

// Packs parityColumns (or finds them packed), then searches. Returns the weight of the pattern
// found.
int SearchPattern(std::span<const std::uint8_t, kMaxParity + 1> parityColumns, const CodeShape &s,
                  const std::uint64_t *syndrome, int maxWeight,
                  std::array<int, kMaxSearchWeight + 1> &q) {
    const int words = (s.r + kWordBits - 1) / kWordBits;
    if (words == 0 || s.k * words > kMaxWord)
        return 0;
    SearchMemo &memo = MemoFor(parityColumns, s, words);

    if (memo.answerCm != maxWeight && ++memo.searches >= kSearchesBeforeAnswers &&
        AnswersFit(s, maxWeight)) {
        // No answers count as made until all are: an allocation that fails leaves none.
        memo.answerCm = 0;
        TabulateAnswers(memo.tables->columns.data(), s, maxWeight, memo.answers);
        memo.answerCm = maxWeight;
    }
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

} // namespace spi::cyclic

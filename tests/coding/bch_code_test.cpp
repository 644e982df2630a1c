#include "chain/code_dispatch.h"
#include "chain/source_stats.h"
#include "coding/bch_code.h"
#include "coding/code_setup.h"
#include "coding/galois_field.h"
#include "coding/gen_poly_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace spi {
namespace {

using Bits = std::vector<std::uint8_t>;

// The code of a table row as the coder window leaves it, at the start of a run.
std::unique_ptr<ModelState> BchModel(int row) {
    auto m = MakeModel();
    const BchRow &r = m->bchTable[row];
    m->codeType = 14;
    m->polyNumbers[0] = static_cast<std::uint8_t>(row);
    m->genPolyText = r.g;
    m->codeN = r.n;
    m->codeK = r.k;
    m->codeT = r.t;
    RecordingNotifier notes;
    parseGenPoly(*m, notes);
    EXPECT_TRUE(notes.entries.empty());
    m->fixedSeed = 3;
    PrepareTestRun(*m, r.n, r.k, 0, 14, 1, 0);
    return m;
}

Bits RandomBits(Random &rng, int count) {
    Bits b(count);
    for (auto &x : b)
        x = static_cast<std::uint8_t>(rng.RandomInt(2));
    return b;
}

// The encoder the chain runs for code type 14.
Bits Encode(ModelState &m, const Bits &info) {
    std::copy(info.begin(), info.end(), m.infoWord.begin() + 1);
    CodecFor(14).encode(m);
    return {m.codeWord.begin() + 1, m.codeWord.begin() + 1 + m.codeN};
}

void RunBch(ModelState &m) {
    decodeBch(m, m, m.rxWord, m.decodedWord);
}

Bits Decode(ModelState &m, const Bits &rx, void (*decoder)(ModelState &) = RunBch) {
    std::copy(rx.begin(), rx.end(), m.rxWord.begin() + 1);
    decoder(m);
    return {m.decodedWord.begin() + 1, m.decodedWord.begin() + 1 + m.codeK};
}

// The decoder written out step by step on the time-domain vectors; uses the field the real decoder
// has set up for the run.
void ReferenceDecodeBch(ModelState &m) {
    const int order = m.bchOrder, n = m.codeN, k = m.codeK, t = m.codeT;
    const auto mul = [&](int a, int b) {
        return GfMultiply(m.bchExp, m.bchLog, order, static_cast<std::uint8_t>(a),
                          static_cast<std::uint8_t>(b));
    };
    const auto alphaMinus = [&](int x) { return m.bchExp[order - x]; };
    Bits v(order, 0);
    for (int q = 1; q <= n; ++q)
        v[order - n + q - 1] = m.rxWord[q];
    Bits lambda(order, 1), b(lambda), next(lambda);
    int length = 0;
    for (int j = 1; j <= 2 * t; ++j) {
        std::uint8_t delta = 0;
        if (j % 2 == 1)
            for (int p = 0; p < order; ++p)
                delta ^= mul(mul(lambda[p], v[p]), m.bchExp[(p * j) % order]);
        if (delta != 0) {
            for (int p = 0; p < order; ++p)
                next[p] = lambda[p] ^ mul(delta, mul(alphaMinus(p), b[p]));
            if (j - 1 < 2 * length) {
                lambda = next;
                for (int p = 0; p < order; ++p)
                    b[p] = mul(alphaMinus(p), b[p]);
            } else {
                length = j - length;
                const std::uint8_t inverse = m.bchExp[order - m.bchLog[delta]];
                for (int p = 0; p < order; ++p)
                    b[p] = mul(inverse, lambda[p]);
                lambda = next;
            }
        } else {
            for (int p = 0; p < order; ++p)
                b[p] = mul(alphaMinus(p), b[p]);
        }
    }
    for (int q = 1; q <= k; ++q) {
        const int p = order - n + q - 1;
        const std::uint8_t bit = m.rxWord[q];
        m.decodedWord[q] = lambda[p] != 0 ? bit : 1 - bit;
    }
}

// Coefficients of an octal generator, index = power of x, read by digit value.
Bits OctalPolynomial(const std::string &octal) {
    Bits p;
    for (auto it = octal.rbegin(); it != octal.rend(); ++it)
        for (int bit = 0; bit < 3; ++bit)
            p.push_back(static_cast<std::uint8_t>(((*it - '0') >> bit) & 1));
    while (!p.empty() && p.back() == 0)
        p.pop_back();
    return p;
}

Bits WithErrors(Bits word, const std::vector<int> &at) {
    for (int p : at)
        word[p] ^= 1;
    return word;
}

std::vector<int> DistinctPositions(Random &rng, int count, int from, int to) {
    std::vector<int> at;
    while (static_cast<int>(at.size()) < count) {
        const int p = from + rng.RandomInt(to - from);
        if (std::find(at.begin(), at.end(), p) == at.end())
            at.push_back(p);
    }
    return at;
}

TEST(BchEncoder, EveryRowGivesSystematicMultiplesOfG) {
    Random rng{5};
    for (int row = 1; row <= 76; ++row) {
        auto m = BchModel(row);
        const Bits g = OctalPolynomial(m->bchTable[row].g);
        for (int word = 0; word < 4; ++word) {
            const Bits info = RandomBits(rng, m->codeK);
            Bits code = Encode(*m, info);
            ASSERT_TRUE(std::equal(info.begin(), info.end(), code.begin())) << "row " << row;
            // c(x) mod g(x), position q the coefficient of x^(q-1)
            for (int top = m->codeN - 1; top >= static_cast<int>(g.size()) - 1; --top)
                if (code[top] != 0)
                    for (std::size_t i = 0; i < g.size(); ++i)
                        code[top - (g.size() - 1) + i] ^= g[i];
            ASSERT_EQ(std::count(code.begin(), code.end(), 1), 0) << "row " << row;
        }
    }
}

TEST(BchDecoder, EveryRowCorrectsUpToTErrorsAnywhere) {
    Random rng{77};
    for (int row = 1; row <= 76; ++row) {
        auto m = BchModel(row);
        const int n = m->codeN, k = m->codeK, t = m->codeT;
        for (int word = 0; word < 40; ++word) {
            const Bits info = RandomBits(rng, k);
            const int count = word % 4 == 0 ? rng.RandomInt(t + 1) : t;
            // Every fifth word takes its errors in the check bits only.
            const auto at = word % 5 == 0 ? DistinctPositions(rng, count, k, n)
                                          : DistinctPositions(rng, count, 0, n);
            ASSERT_EQ(Decode(*m, WithErrors(Encode(*m, info), at)), info)
                << "row " << row << " word " << word;
        }
    }
}

TEST(BchDecoder, ShortRowsCorrectEveryPatternOfUpToTErrors) {
    Random rng{8};
    for (int row = 1; row <= 10; ++row) { // n = 7, 15, and 31 with t <= 5
        auto m = BchModel(row);
        const int n = m->codeN, t = m->codeT;
        const Bits info = RandomBits(rng, m->codeK);
        const Bits word = Encode(*m, info);
        std::vector<int> at;
        long long patterns = 0;
        std::function<void(int)> each = [&](int from) {
            ASSERT_EQ(Decode(*m, WithErrors(word, at)), info) << "row " << row;
            ++patterns;
            if (static_cast<int>(at.size()) == t)
                return;
            for (int p = from; p < n; ++p) {
                at.push_back(p);
                each(p + 1);
                at.pop_back();
            }
        };
        each(0);
        long long expected = 0, choose = 1;
        for (int w = 0; w <= t; ++w) {
            expected += choose;
            choose = choose * (n - w) / (w + 1);
        }
        EXPECT_EQ(patterns, expected) << "row " << row;
    }
}

// Against the step-by-step definition, to the bit, on words beyond the code's power, random words,
// and a user-lowered t.
TEST(BchDecoder, MatchesItsDefinitionBitForBit) {
    Random rng{31337};
    for (int row = 1; row <= 76; ++row) {
        auto m = BchModel(row);
        const int n = m->codeN, k = m->codeK, t = m->codeT;
        const int words = n == 255 ? 4 : n == 127 ? 10 : 40;
        for (int word = 0; word < words; ++word) {
            m->codeT = word % 6 == 5 ? rng.RandomInt(t + 1) : t;
            Bits rx;
            if (word % 4 == 3) {
                rx = RandomBits(rng, n);
            } else {
                const int errors = t + rng.RandomInt(n - k - t + 1);
                rx = WithErrors(Encode(*m, RandomBits(rng, k)),
                                DistinctPositions(rng, errors, 0, n));
            }
            const Bits fast = Decode(*m, rx);
            ASSERT_EQ(Decode(*m, rx, ReferenceDecodeBch), fast)
                << "row " << row << " word " << word;
        }
    }
}

TEST(BchDecoder, GoldenBeyondT) {
    const auto hashOf = [](int row) {
        auto m = BchModel(row);
        Random rng{2718};
        std::uint64_t hash = 14695981039346656037ull;
        for (int word = 0; word < 300; ++word) {
            const Bits info = RandomBits(rng, m->codeK);
            const int errors = m->codeT + 1 + rng.RandomInt(m->codeT + 1);
            for (const std::uint8_t bit : Decode(
                     *m, WithErrors(Encode(*m, info), DistinctPositions(rng, errors, 0, m->codeN))))
                hash = (hash ^ bit) * 1099511628211ull;
        }
        return hash;
    };
    EXPECT_EQ(hashOf(15), 10396764070288337409ull);
    EXPECT_EQ(hashOf(50), 13427061721626784826ull);
}

// The field is built by the first decoding of a run from the row the run started with.
TEST(BchDecoder, FieldIsSetUpOncePerRun) {
    auto m = BchModel(15);
    EXPECT_EQ(m->rsGeneratorReady, 0.0);
    Decode(*m, Bits(63, 0));
    EXPECT_EQ(m->rsGeneratorReady, kCoderReadyMark);
    EXPECT_EQ(m->bchOrder, 63);
    m->polyNumbers[0] = 50;
    Decode(*m, Bits(63, 0));
    EXPECT_EQ(m->bchOrder, 63) << "not rebuilt within the run";
    PrepareTestRun(*m, 255, 191, 0, 14, 1, 0);
    Decode(*m, Bits(255, 0));
    EXPECT_EQ(m->bchOrder, 255);
    EXPECT_EQ(m->bchDegree, 8);
    EXPECT_EQ(m->fieldPolyTermCount, 5);
    EXPECT_EQ(m->fieldPolyDigits, (FieldDigits{0, 0, 4, 5, 6, 8}));
}

TEST(BchDecoder, RowWithoutAFieldPassesTheBitsThrough) {
    auto m = BchModel(1);
    m->polyNumbers[0] = 80;
    PrepareTestRun(*m, 7, 4, 0, 14, 1, 0);
    EXPECT_EQ(Decode(*m, {1, 0, 1, 1, 0, 0, 0}), (Bits{1, 0, 1, 1}));
    EXPECT_EQ(m->bchOrder, 0);
}

TEST(BchCheck, RefusesWhatTheDecoderCannotHandle) {
    for (int row = 1; row <= 76; ++row)
        EXPECT_EQ(CheckBchCode(*BchModel(row)), std::nullopt) << "row " << row;

    auto m = BchModel(1);
    for (int row : {0, 77, 87, 255}) {
        m->polyNumbers[0] = static_cast<std::uint8_t>(row);
        EXPECT_EQ(CheckBchCode(*m), "Номер строки таблицы кодов БЧХ " + std::to_string(row) +
                                        " вне допустимых пределов 1..76.");
    }
    m->polyNumbers[0] = 1;
    m->codeN = 8;
    EXPECT_EQ(CheckBchCode(*m),
              "Код БЧХ строки 1: длина n=8 вне пределов 1..7 (поле декодера GF(8)).");
    m->codeN = 7;
    m->codeK = 7;
    EXPECT_EQ(CheckBchCode(*m), "Код БЧХ: число информационных символов k=7 должно быть в пределах "
                                "1..n-1 (n=7).");
    m->codeK = 4;
    m->codeT = 2;
    EXPECT_EQ(CheckBchCode(*m), "Код БЧХ: число исправляемых ошибок t=2 вне пределов 0..1.");
    m->codeT = -1;
    EXPECT_TRUE(CheckBchCode(*m).has_value());
    m->codeT = 1;
    m->genPolyText = "35"; // degree 4, not n - k = 3
    SilentNotifier quiet;
    parseGenPoly(*m, quiet);
    EXPECT_EQ(CheckBchCode(*m),
              "Код БЧХ: g(x) должен иметь младшую степень 0 и старшую n-k=3 (степени g(x) 0..4).");
    m->genPolyText = "0,1,3";
    parseGenPoly(*m, quiet);
    EXPECT_EQ(CheckBchCode(*m), std::nullopt);
    m->genPolyTermCount = 0;
    EXPECT_TRUE(CheckBchCode(*m).has_value());
    m->codeType = 13;
    EXPECT_EQ(CheckBchCode(*m), std::nullopt) << "not the BCH type";
}

} // namespace
} // namespace spi

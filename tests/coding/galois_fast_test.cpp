// The BCH and Reed-Solomon coders against their plain paths: random words with 0..t+2 errors and
// wholly random words, codes of every field size, shortened BCH codes and a reduced t, must come
// out of both to the byte. Also the root search on its own, against evaluating every point.
#include "chain/code_dispatch.h"
#include "chain/source_stats.h"
#include "coding/bch_code.h"
#include "coding/code_setup.h"
#include "coding/galois_field.h"
#include "coding/gen_poly_parser.h"
#include "coding/reed_solomon.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace spi {
namespace {

struct FastCase {
    int codeType;  // 14 BCH, 13 RS "АБМВ", 18 RS "АБМЧ"
    int number;    // BCH table row or RS code number
    int shortenBy; // BCH: n and k less by this
    int t;         // -1: the code's own
};

// BCH rows over GF(8)..GF(256) with t from 1 to 63 (past 16 the syndromes take the plain path);
// RS codes over every field, 1..3 lanes of check symbols.
constexpr std::array<FastCase, 20> kCases = {{
    {14, 1, 0, -1},  {14, 5, 0, -1},  {14, 10, 0, -1}, {14, 15, 0, -1},   {14, 15, 20, -1},
    {14, 35, 0, -1}, {14, 42, 0, -1}, {14, 50, 0, -1}, {14, 50, 101, -1}, {14, 57, 0, -1},
    {14, 75, 0, -1}, {13, 1, 0, -1},  {18, 2, 0, -1},  {13, 7, 0, -1},    {18, 8, 0, -1},
    {13, 11, 0, -1}, {18, 11, 0, -1}, {13, 12, 0, -1}, {18, 12, 0, 5},    {18, 13, 0, -1},
}};

std::unique_ptr<ModelState> CaseModel(const FastCase &c) {
    auto m = MakeModel();
    m->codeType = static_cast<std::uint16_t>(c.codeType);
    m->polyNumbers[0] = static_cast<std::uint8_t>(c.number);
    RecordingNotifier notes;
    if (c.codeType == 14) {
        const BchRow &r = m->bchTable[c.number];
        m->genPolyText = r.g;
        m->codeN = r.n - c.shortenBy;
        m->codeK = r.k - c.shortenBy;
        m->codeT = r.t;
        parseGenPoly(*m, notes);
    } else {
        SetUpNonBinaryCode(*m, *m, notes);
    }
    if (c.t >= 0)
        m->codeT = c.t;
    EXPECT_TRUE(notes.entries.empty());
    m->fixedSeed = 5;
    PrepareTestRun(*m, m->codeN, m->codeK, 0, c.codeType, 1, 0);
    return m;
}

using Coder = void (*)(const ModelParameters &, GaloisCoderState &,
                       std::span<const std::uint8_t, kMaxWord + 1>,
                       std::span<std::uint8_t, kMaxWord + 1>);

TEST(GaloisFastPaths, EqualThePlainPathsToTheByte) {
    Random rng{20240611};
    for (const FastCase &c : kCases) {
        auto m = CaseModel(c);
        const bool bch = c.codeType == 14;
        const int symbolBits = bch ? 1 : m->gfDegree;
        const int symbols = m->codeN / symbolBits;
        const Coder fast = bch ? decodeBch : c.codeType == 13 ? decodeABMV : decodeABMCh;
        const Coder plain = bch                ? decodeBchPlain
                            : c.codeType == 13 ? decodeABMVPlain
                                               : decodeABMChPlain;
        int words = 0;
        for (int errors = 0; errors <= m->codeT + 3; ++errors) {
            for (int w = 0; w < 12; ++w, ++words) {
                for (int q = 1; q <= m->codeK; ++q)
                    m->infoWord[q] = static_cast<std::uint8_t>(rng.RandomInt(2));
                Bits2100 code{};
                if (bch) {
                    CodecFor(14).encode(*m);
                    std::copy(m->codeWord.begin(), m->codeWord.begin() + m->codeN + 1,
                              code.begin());
                } else {
                    encodeReedSolomonPlain(*m, *m, m->infoWord, m->codeWord);
                    std::copy(m->codeWord.begin(), m->codeWord.begin() + m->codeN + 1,
                              code.begin());
                    encodeReedSolomon(*m, *m, m->infoWord, m->codeWord);
                    ASSERT_TRUE(std::equal(code.begin() + 1, code.begin() + m->codeN + 1,
                                           m->codeWord.begin() + 1))
                        << "encoder, code " << c.number << " word " << words;
                }
                // errors = t + 3 stands for a wholly random word.
                for (int q = 1; q <= m->codeN; ++q)
                    m->rxWord[q] = errors > m->codeT + 2
                                       ? static_cast<std::uint8_t>(rng.RandomInt(2))
                                       : code[q];
                for (int e = 0; e < errors && errors <= m->codeT + 2; ++e) {
                    const int at = rng.RandomInt(symbols) * symbolBits + 1;
                    const int pattern = 1 + rng.RandomInt((1 << symbolBits) - 1);
                    for (int j = 0; j < symbolBits; ++j)
                        m->rxWord[at + j] ^= static_cast<std::uint8_t>((pattern >> j) & 1);
                }
                std::fill(m->decodedWord.begin(), m->decodedWord.end(), 9);
                plain(*m, *m, m->rxWord, m->decodedWord);
                const Bits2100 want = m->decodedWord;
                std::fill(m->decodedWord.begin(), m->decodedWord.end(), 9);
                fast(*m, *m, m->rxWord, m->decodedWord);
                ASSERT_EQ(m->decodedWord, want) << "type " << c.codeType << " number " << c.number
                                                << " errors " << errors << " word " << words;
            }
        }
    }
}

// The root search over random polynomials, many of them products of distinct linear factors (as
// many roots as their degree), on every field, both directions, from every kind of start.
TEST(GaloisFastPaths, FindRootsEqualsEvaluatingEveryPoint) {
    Random rng{77};
    for (const char *digits : {"023", "034", "035", "056", "047", "04568"}) {
        GaloisCoderState s;
        StoreFieldPolyDigits(s, digits);
        FieldTable exp{}, log{};
        const int n = BuildFieldTables(s.fieldPolyDigits, s.fieldPolyTermCount, exp, log);
        const OwnFastField own(exp, log, n);
        const FastField f = own.Field();
        for (int trial = 0; trial < 400; ++trial) {
            std::array<std::uint8_t, kMaxFieldOrder + 1> poly{};
            const int deg = rng.RandomInt(std::min(n - 1, 12));
            if (trial % 2 == 0) {
                poly[0] = static_cast<std::uint8_t>(1 + rng.RandomInt(n));
                for (int i = 1; i <= deg; ++i) { // times (1 + alpha^e x), e distinct by chance
                    const int e = rng.RandomInt(n);
                    for (int j = i; j >= 1; --j)
                        poly[j] ^= f.MulPow(poly[j - 1], e);
                }
            } else {
                for (int i = 0; i <= deg; ++i)
                    poly[i] = static_cast<std::uint8_t>(rng.RandomInt(n + 1));
            }
            const int x0 = rng.RandomInt(n);
            const int direction = trial % 4 < 2 ? 1 : -1;
            const int count = 1 + rng.RandomInt(n);
            std::array<int, kMaxFieldOrder + 1> want{}, got{};
            const int wanted =
                FindRootsPlain(f, poly.data(), deg + trial % 3, x0, direction, count, want.data());
            const int found =
                FindRoots(f, poly.data(), deg + trial % 3, x0, direction, count, got.data());
            ASSERT_EQ(found, wanted) << digits << " trial " << trial;
            ASSERT_TRUE(std::equal(want.begin(), want.begin() + wanted, got.begin()))
                << digits << " trial " << trial;
        }
    }
}

} // namespace
} // namespace spi

#include "coding/cyclic_code.h"
#include "coding/cyclic_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace spi {
namespace {

using test::Encode;
using test::RandomBits;
using test::SetBchRow;
using test::SetCyclicCode;
using test::SetReceived;
using test::Slice;

// The decoder as the model describes it, bit by bit: every set of positions in lexicographic
// order, its syndrome built from the table rows and compared bit by bit. The real decoder must
// leave every field it touches exactly as this one does.
void ReferenceDecodeSyndrome(ModelState &m, long long wordNumber) {
    const int n = m.codeN, k = m.codeK, r = n - k;
    const std::vector<int> d(m.genPolyTerms.begin(), m.genPolyTerms.begin() + m.genPolyTermCount);
    // The word being divided, positions 1..k+max(d).
    std::vector<std::uint8_t> div(static_cast<std::size_t>(k + n + 1));
    for (const int e : d)
        div.resize(std::max(div.size(), static_cast<std::size_t>(k + e + 1)));
    const auto divide = [&] {
        for (int i = 1; i <= k; ++i)
            if (div[i] == 1)
                for (const int e : d)
                    div[i + e] = 1 - div[i + e];
    };
    if (wordNumber == 1) {
        for (int p = 1; p <= k; ++p) {
            for (int i = 1; i <= k; ++i)
                m.decoderWork1[i] = i == p;
            std::fill(div.begin(), div.end(), 0);
            for (int i = 1; i <= k; ++i)
                div[i] = m.decoderWork1[i];
            divide();
            for (int j = 1; j <= r; ++j)
                m.parityColumns[(p - 1) * r + j] = div[k + j];
        }
        m.detectedBlockCount = 0;
    }
    std::fill(div.begin(), div.end(), 0);
    for (int i = 1; i <= k; ++i)
        m.decoderWork1[i] = m.rxWord[i];
    for (int j = 1; j <= r; ++j)
        m.decoderWork2[j] = m.rxWord[k + j];
    for (int i = 1; i <= k; ++i)
        div[i] = m.decoderWork1[i];
    divide();
    int weight = 0;
    for (int j = 1; j <= r; ++j) {
        m.decoderWork3[j] = m.decoderWork2[j] ^ div[k + j];
        weight += m.decoderWork3[j];
    }
    const int cm = m.codeT;
    if (cm >= 1 && cm <= 5 && weight > cm) {
        bool found = false;
        for (int w = 1; w <= cm && !found && w <= n; ++w) {
            std::vector<int> q(static_cast<std::size_t>(w));
            for (int i = 0; i < w; ++i)
                q[i] = i + 1;
            for (;;) {
                std::vector<int> s(static_cast<std::size_t>(r + 1), 0);
                for (const int pos : q) {
                    if (pos <= k)
                        for (int j = 1; j <= r; ++j)
                            s[j] ^= m.parityColumns[(pos - 1) * r + j];
                    else
                        s[pos - k] ^= 1;
                }
                bool equal = true;
                for (int j = 1; j <= r && equal; ++j)
                    equal = s[j] == m.decoderWork3[j];
                if (equal) {
                    for (const int pos : q)
                        m.decoderWork1[pos] ^= 1;
                    found = true;
                    break;
                }
                int i = w - 1;
                while (i >= 0 && q[i] == n - (w - 1 - i))
                    --i;
                if (i < 0)
                    break;
                ++q[i];
                for (int j = i + 1; j < w; ++j)
                    q[j] = q[j - 1] + 1;
            }
        }
        if (!found)
            ++m.detectedBlockCount;
        m.wordErrProbAfter =
            static_cast<double>(static_cast<long double>(m.detectedBlockCount) / m.wordCount);
    }
    for (int i = 1; i <= n; ++i)
        m.decodedWord[i] = i <= k ? m.decoderWork1[i] : 0;
}

std::vector<std::uint8_t> DecodeWord(ModelState &m, const std::vector<std::uint8_t> &rx,
                                     long long wordNumber = 1) {
    SetReceived(m, rx);
    test::DecodeSyndromeInModel(m, wordNumber);
    return Slice(m.decodedWord, 1, m.codeK);
}

std::vector<std::uint8_t> Info(const std::vector<std::uint8_t> &word, int k) {
    return {word.begin(), word.begin() + k};
}

TEST(CyclicEncoder, SystematicWordOfTheDefaultCode) {
    auto m = MakeModel();
    SetCyclicCode(*m, "35", 7, 3, 1);
    EXPECT_EQ(Encode(*m, {1, 0, 0}), (std::vector<std::uint8_t>{1, 0, 0, 1, 0, 1, 1}));
}

TEST(CyclicEncoder, EveryCodewordIsAMultipleOfG) {
    auto m = MakeModel();
    m->random.seed = 7;
    for (const int row : {1, 3, 4, 5, 9, 15, 19, 26, 34, 44, 78, 80, 82, 86, 87}) {
        SetBchRow(*m, row, 1);
        const auto g = test::OctalPolynomial(m->bchTable[row].g);
        for (int trial = 0; trial < 20; ++trial) {
            const auto info = RandomBits(*m, m->codeK);
            const auto word = Encode(*m, info);
            EXPECT_EQ(Info(word, m->codeK), info) << "row " << row;
            const auto rest = test::PolyMod(word, g);
            EXPECT_TRUE(std::all_of(rest.begin(), rest.end(), [](auto b) { return b == 0; }))
                << "row " << row;
        }
    }
}

TEST(SyndromeDecoder, CorrectsEverySingleErrorOfTheDefaultCode) {
    auto m = MakeModel();
    SetCyclicCode(*m, "35", 7, 3, 1);
    for (int value = 0; value < 8; ++value) {
        const std::vector<std::uint8_t> info = {
            std::uint8_t(value & 1), std::uint8_t(value >> 1 & 1), std::uint8_t(value >> 2 & 1)};
        const auto word = Encode(*m, info);
        EXPECT_EQ(DecodeWord(*m, word), info);
        for (int e = 0; e < 7; ++e) {
            auto rx = word;
            rx[e] ^= 1;
            EXPECT_EQ(DecodeWord(*m, rx), info) << "error at " << e + 1;
        }
    }
    EXPECT_EQ(m->detectedBlockCount, 0);
}

// Every pattern of up to t errors, for one random information word per code.
TEST(SyndromeDecoder, CorrectsEveryPatternUpToTheCodesPower) {
    auto m = MakeModel();
    m->random.seed = 99;
    for (const int row : {1, 4, 5, 8, 9, 14, 86}) {
        const int t = m->bchTable[row].t;
        SetBchRow(*m, row, t);
        const int n = m->codeN;
        const auto info = RandomBits(*m, m->codeK);
        const auto word = Encode(*m, info);
        long long wordNumber = 1;
        int patterns = 0;
        std::vector<int> q;
        const auto visit = [&](auto &&self, int from) -> void {
            if (!q.empty()) {
                auto rx = word;
                for (const int p : q)
                    rx[p] ^= 1;
                ASSERT_EQ(DecodeWord(*m, rx, wordNumber++), info) << "row " << row;
                ++patterns;
            }
            if (static_cast<int>(q.size()) == t)
                return;
            for (int p = from; p < n; ++p) {
                q.push_back(p);
                self(self, p + 1);
                q.pop_back();
            }
        };
        visit(visit, 0);
        EXPECT_EQ(m->detectedBlockCount, 0) << "row " << row;
        if (row == 86) {
            EXPECT_EQ(patterns, 2047);
        }
    }
}

TEST(SyndromeDecoder, ParityErrorsWithinCmNeedNoSearch) {
    auto m = MakeModel();
    SetBchRow(*m, 15, 3); // (63,45)
    const std::vector<std::uint8_t> info(45, 1);
    auto rx = Encode(*m, info);
    rx[50] ^= 1;
    rx[62] ^= 1;
    m->wordErrProbAfter = -1; // only a search writes it
    EXPECT_EQ(DecodeWord(*m, rx), info);
    EXPECT_EQ(m->wordErrProbAfter, -1);
}

TEST(SyndromeDecoder, CmOutsideOneToFiveNeverChangesABit) {
    auto m = MakeModel();
    for (const int cm : {0, 6, -1}) {
        SetBchRow(*m, 4, cm);
        const std::vector<std::uint8_t> info = {1, 0, 1, 1, 0, 0, 1};
        auto rx = Encode(*m, info);
        rx[0] ^= 1;
        rx[3] ^= 1;
        rx[5] ^= 1;
        EXPECT_EQ(DecodeWord(*m, rx), Info(rx, 7)) << cm;
        EXPECT_EQ(m->detectedBlockCount, 0);
    }
}

// The count and the probability go where the caller points them, never into the model's results.
TEST(SyndromeDecoder, CountsUnexplainedWordsAndResetsAtTheFirstWord) {
    auto m = MakeModel();
    SetCyclicCode(*m, "35", 7, 3, 1);
    m->wordCount = 40;
    m->detectedBlockCount = 5;
    m->wordErrProbAfter = 0.5;
    std::int32_t detected = 17; // left from an earlier run
    double probability = -1;
    const auto decode = [&](const std::vector<std::uint8_t> &rx, long long number) {
        SetReceived(*m, rx);
        decodeSyndrome(*m, *m, m->rxWord, m->decodedWord, number, {detected, probability});
        return Slice(m->decodedWord, 1, 3);
    };
    const auto word = Encode(*m, {0, 1, 1});
    decode(word, 1);
    EXPECT_EQ(detected, 0);
    // Double errors: the syndrome of each is either that of a single error (miscorrected, not
    // counted) or of none (counted and passed on as received).
    long long number = 2;
    int passed = 0;
    for (int a = 0; a < 7; ++a)
        for (int b = a + 1; b < 7; ++b) {
            auto rx = word;
            rx[a] ^= 1;
            rx[b] ^= 1;
            const int before = detected;
            const auto out = decode(rx, number++);
            if (detected > before) {
                EXPECT_EQ(out, Info(rx, 3));
                ++passed;
            }
        }
    EXPECT_GT(passed, 0);
    EXPECT_EQ(detected, passed);
    EXPECT_DOUBLE_EQ(probability, passed / 40.0);
    decode(word, 1);
    EXPECT_EQ(detected, 0);
    EXPECT_EQ(m->detectedBlockCount, 5);
    EXPECT_EQ(m->wordErrProbAfter, 0.5);
}

TEST(SyndromeDecoder, ZeroWordCountLeavesAFiniteProbability) {
    auto m = MakeModel();
    SetCyclicCode(*m, "35", 7, 3, 1);
    m->wordCount = 0;
    DecodeWord(*m, {1, 1, 0, 0, 0, 0, 0}, 1);
    EXPECT_EQ(m->wordErrProbAfter, 0.0);
}

TEST(SyndromeDecoder, SettingsBeyondTheBuffersPassTheWordThrough) {
    auto m = MakeModel();
    SetBchRow(*m, 44, 2); // (255,239): k(n-k) = 3824 fits
    m->codeK = 100;       // 100 * 155 does not
    std::vector<std::uint8_t> rx(255, 0);
    rx[3] = 1;
    EXPECT_EQ(DecodeWord(*m, rx), Info(rx, 100));
    m->codeN = 5000; // clamped to the word buffers
    m->codeK = 4000;
    test::DecodeSyndromeInModel(*m, 1);
    encodeCyclic(*m, m->infoWord, m->codeWord);
}

// The search must pick the same pattern as the bit-by-bit reference, including miscorrections
// of heavier patterns and the lexicographic choice between equal columns.
TEST(SyndromeDecoder, SearchAgreesWithTheBitByBitReference) {
    struct Case {
        const char *g;
        int n, k, maxCm, words;
    };
    const Case cases[] = {
        {"35", 7, 3, 5, 60},
        {"721", 15, 7, 5, 60},
        {"2467", 15, 5, 5, 60},
        {"5343", 23, 12, 5, 40},
        {"3551", 31, 21, 5, 25},
        {"107657", 31, 16, 5, 25},
        {"1701317", 63, 45, 3, 30},
        // Generators shorter than the information part: columns repeat with the period of g.
        {"13", 20, 17, 3, 60},
        {"23", 40, 36, 4, 40},
        {"1", 12, 12, 3, 5}, // no parity at all
    };
    auto fast = MakeModel();
    auto ref = MakeModel();
    fast->random.seed = ref->random.seed = 2024;
    std::vector<Case> all(std::begin(cases), std::end(cases));
    // Two and four words per syndrome: (127,57) and (255,1).
    all.push_back({fast->bchTable[34].g, 127, 57, 2, 12});
    all.push_back({fast->bchTable[76].g, 255, 1, 2, 12});
    // Information parts of several words, up to the longest word the model holds.
    all.push_back({fast->bchTable[26].g, 127, 113, 2, 12});
    all.push_back({fast->bchTable[44].g, 255, 239, 2, 8});
    all.push_back({"23", 2100, 2096, 1, 6});
    for (const Case &c : all) {
        for (int cm = 1; cm <= c.maxCm; ++cm) {
            SetCyclicCode(*fast, c.g, c.n, c.k, cm);
            SetCyclicCode(*ref, c.g, c.n, c.k, cm);
            fast->wordCount = ref->wordCount = c.words;
            for (int number = 1; number <= c.words; ++number) {
                std::vector<std::uint8_t> rx;
                if (number % 3 == 0) {
                    rx = RandomBits(*fast, c.n);
                } else {
                    rx = Encode(*fast, RandomBits(*fast, c.k));
                    const int errors = fast->random.RandomInt(cm + 3);
                    for (int e = 0; e < errors; ++e)
                        rx[fast->random.RandomInt(c.n)] ^= 1;
                }
                SetReceived(*fast, rx);
                SetReceived(*ref, rx);
                test::DecodeSyndromeInModel(*fast, number);
                ReferenceDecodeSyndrome(*ref, number);
                const auto where = ::testing::Message()
                                   << c.g << " Cm=" << cm << " word " << number;
                ASSERT_EQ(Slice(fast->decodedWord, 1, c.n), Slice(ref->decodedWord, 1, c.n))
                    << where;
                ASSERT_EQ(Slice(fast->decoderWork1, 1, c.n), Slice(ref->decoderWork1, 1, c.n))
                    << where;
                ASSERT_EQ(Slice(fast->decoderWork3, 1, c.n - c.k),
                          Slice(ref->decoderWork3, 1, c.n - c.k))
                    << where;
                ASSERT_EQ(fast->detectedBlockCount, ref->detectedBlockCount) << where;
                ASSERT_EQ(fast->wordErrProbAfter, ref->wordErrProbAfter) << where;
            }
            ASSERT_TRUE(std::equal(fast->parityColumns.begin(), fast->parityColumns.end(),
                                   ref->parityColumns.begin()));
        }
    }
}

// The decoder keeps its search tables from word to word and, once a small code has searched often
// enough, answers from a table of every syndrome. Two models of different codes take turns on one
// thread, 150 words at a time, well past the point where the answers are tabulated: the kept
// tables must follow the columns of each word and still pick the reference's set every time.
TEST(SyndromeDecoder, KeptAndTabulatedSearchAgreesWithTheReference) {
    struct Case {
        const char *g;
        int n, k, cm;
    };
    const std::pair<Case, Case> pairs[] = {
        {{"1701317", 63, 45, 3}, {"23", 40, 36, 2}}, // the second repeats its columns
        {{"5343", 23, 12, 4}, {"2467", 15, 5, 4}},
        {{"1701317", 63, 45, 2}, {"1701317", 63, 45, 3}}, // the same columns, another Cm
        {{"107657", 31, 16, 5}, {"35", 7, 3, 1}},         // Cm = 5 always searches
    };
    constexpr int kTurn = 150;
    Random pick{31337};
    int searched = 0;
    for (const auto &[a, b] : pairs) {
        auto fa = MakeModel(), ra = MakeModel(), fb = MakeModel(), rb = MakeModel();
        SetCyclicCode(*fa, a.g, a.n, a.k, a.cm);
        SetCyclicCode(*ra, a.g, a.n, a.k, a.cm);
        SetCyclicCode(*fb, b.g, b.n, b.k, b.cm);
        SetCyclicCode(*rb, b.g, b.n, b.k, b.cm);
        for (auto *m : {fa.get(), ra.get(), fb.get(), rb.get()})
            m->wordCount = 2 * kTurn;
        for (int turn = 0; turn < 4; ++turn) {
            ModelState &fast = turn % 2 == 0 ? *fa : *fb;
            ModelState &ref = turn % 2 == 0 ? *ra : *rb;
            const Case &c = turn % 2 == 0 ? a : b;
            for (int number = turn / 2 * kTurn + 1; number <= (turn / 2 + 1) * kTurn; ++number) {
                std::vector<std::uint8_t> rx(static_cast<std::size_t>(c.n));
                for (auto &bit : rx)
                    bit = static_cast<std::uint8_t>(pick.RandomInt(2));
                if (number % 4 != 0) {
                    // A codeword with up to Cm + 1 errors: mostly explained, some miscorrected.
                    rx = Encode(fast, Info(rx, c.k));
                    for (int e = pick.RandomInt(c.cm + 2); e > 0; --e)
                        rx[static_cast<std::size_t>(pick.RandomInt(c.n))] ^= 1;
                }
                SetReceived(fast, rx);
                SetReceived(ref, rx);
                fast.wordErrProbAfter = ref.wordErrProbAfter = -1; // only a search writes it
                test::DecodeSyndromeInModel(fast, number);
                ReferenceDecodeSyndrome(ref, number);
                ASSERT_EQ(Slice(fast.decodedWord, 1, c.n), Slice(ref.decodedWord, 1, c.n))
                    << c.g << " Cm=" << c.cm << " word " << number;
                ASSERT_EQ(fast.detectedBlockCount, ref.detectedBlockCount) << c.g;
                ASSERT_EQ(fast.wordErrProbAfter, ref.wordErrProbAfter) << c.g;
                searched += fast.wordErrProbAfter >= 0;
            }
        }
    }
    // Far more than the searches after which a code's answers are tabulated.
    EXPECT_GT(searched, 1200);
}

// Known answer: fixed seed, random words through a binary symmetric channel.
TEST(SyndromeDecoder, GoldenRun) {
    auto m = MakeModel();
    m->random.seed = 12345;
    test::BitHash hash;
    int detected = 0;
    for (const int row : {86, 15, 9}) {
        SetBchRow(*m, row, m->bchTable[row].t);
        m->wordCount = 400;
        for (int number = 1; number <= 400; ++number) {
            auto rx = Encode(*m, RandomBits(*m, m->codeK));
            for (auto &b : rx)
                if (m->random.RandomReal() < 0.06)
                    b ^= 1;
            for (const auto b : DecodeWord(*m, rx, number))
                hash.Add(b);
        }
        detected = detected * 1000 + m->detectedBlockCount;
    }
    EXPECT_EQ(hash.value, 11290745483893761824u);
    EXPECT_EQ(detected, 184043); // 0, 184 and 43 words of the three codes
}

} // namespace
} // namespace spi

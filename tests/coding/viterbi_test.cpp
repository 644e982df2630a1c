// The Viterbi-decoded convolutional codes of types 8, 9 and 10: one-block delay, puncturing, the
// tie rule, what single and double errors do, a known-answer run, and the settings the decoder
// refuses.
#include "chain/source_stats.h"
#include "coding/viterbi.h"
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace spi {
namespace {

struct Code {
    int type;
    int n;
    int k;
};
constexpr Code kCodes[] = {{8, 24, 12}, {9, 36, 24}, {10, 32, 24}};

std::size_t U(int i) {
    return static_cast<std::size_t>(i);
}

// The coder on the model's parts, as the chain's dispatch hands them.
void Encode(ModelState &m) {
    encodeViterbi(m, m, m.infoWord, m.codeWord);
}
void Decode(ModelState &m, long long block) {
    decodeViterbi(m, m, m.rxWord, m.decodedWord, m.convK0, block);
}

// A fresh model (encoder memory, metrics and survivors at their zero start) set up for a run.
std::unique_ptr<ModelState> RunModel(const Code &c, std::uint32_t seed) {
    auto m = MakeModel();
    m->codeType = static_cast<std::uint16_t>(c.type);
    m->codeN = c.n;
    m->codeK = c.k;
    m->fixedSeed = seed;
    PrepareTestRun(*m, c.n, c.k, m->convN0, c.type, 1, m->convK0);
    return m;
}

// One block as the run passes it: a new source word, the encoder, the channel inverting the listed
// positions, the decoder. Returns how many decoded bits differ from the previous source word.
int PassBlock(ModelState &m, long long block, const std::vector<int> &flips = {}) {
    MakeSourceWord(m, m.codeK, 1);
    Encode(m);
    for (int j = 1; j <= m.codeN; ++j)
        m.rxWord[U(j)] = m.codeWord[U(j)];
    for (int p : flips)
        m.rxWord[U(p)] ^= 1;
    Decode(m, block);
    int wrong = 0;
    for (int j = 1; j <= m.codeK; ++j)
        wrong += m.decodedWord[U(j)] != m.prevInfoWord[U(j)];
    return wrong;
}

// Twelve blocks with the flips in block 6; the number of decoded words in error from block 2 on.
int WrongWordsAround(const Code &c, std::uint32_t seed, const std::vector<int> &flips) {
    auto m = RunModel(c, seed);
    int wrongWords = 0;
    for (int b = 1; b <= 12; ++b) {
        const int wrong = PassBlock(*m, b, b == 6 ? flips : std::vector<int>{});
        if (b >= 2 && wrong > 0)
            ++wrongWords;
    }
    return wrongWords;
}

std::uint64_t Fnv(std::uint64_t h, std::uint8_t byte) {
    return (h ^ byte) * 1099511628211ULL;
}

class ViterbiCode : public ::testing::TestWithParam<Code> {};

TEST_P(ViterbiCode, ErrorFreeChannelDeliversThePreviousWordFromTheSecondBlock) {
    const Code c = GetParam();
    auto m = RunModel(c, 4711);
    for (int b = 1; b <= 300; ++b) {
        const int wrong = PassBlock(*m, b);
        if (b == 1) {
            for (int j = 1; j <= c.k; ++j)
                ASSERT_EQ(m->decodedWord[U(j)], 0) << j;
        } else {
            ASSERT_EQ(wrong, 0) << "block " << b;
        }
    }
    EXPECT_EQ(m->convK0, c.k / (c.n - c.k));

    // The next run starts with the state the last one left: still one block late, still exact.
    PrepareTestRun(*m, c.n, c.k, m->convN0, c.type, 1, m->convK0);
    for (int b = 1; b <= 50; ++b) {
        const int wrong = PassBlock(*m, b);
        if (b >= 2) {
            ASSERT_EQ(wrong, 0) << "second run, block " << b;
        }
    }
}

TEST_P(ViterbiCode, EverySingleErrorAfterTheFirstBlockIsCorrected) {
    const Code c = GetParam();
    for (std::uint32_t seed = 1; seed <= 3; ++seed)
        for (int p = 1; p <= c.n; ++p)
            EXPECT_EQ(WrongWordsAround(c, seed, {p}), 0) << "seed " << seed << " position " << p;
}

INSTANTIATE_TEST_SUITE_P(Types8To10, ViterbiCode, ::testing::ValuesIn(kCodes),
                         [](const auto &info) { return "Type" + std::to_string(info.param.type); });

// The unpunctured code corrects every pair of errors in a block; the punctured ones fail on a
// share of the pairs (for the rate-3/4 code on every adjacent pair). All pairs of one block,
// seed 1.
TEST(ViterbiDoubleErrors, AsObserved) {
    const int expectedFailures[] = {0, 111, 231};
    for (int t = 0; t < 3; ++t) {
        const Code c = kCodes[t];
        int failures = 0;
        for (int p = 1; p <= c.n; ++p)
            for (int q = p + 1; q <= c.n; ++q)
                failures += WrongWordsAround(c, 1, {p, q}) > 0;
        EXPECT_EQ(failures, expectedFailures[t]) << "type " << c.type;
    }
}

TEST(ViterbiEncoder, PuncturingKeepsTheStatedBitsOfTheRateHalfCode) {
    // All ones from a zero memory: 11, 10, then 01 for ever.
    auto m = RunModel(kCodes[0], 1);
    m->infoWord.fill(1);
    Encode(*m);
    const std::uint8_t head[] = {1, 1, 1, 0, 0, 1, 0, 1};
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(m->codeWord[U(i)], head[i - 1]) << i;
    EXPECT_EQ(m->vitEncoderMemory[0], 1);
    EXPECT_EQ(m->vitEncoderMemory[1], 1);

    // Types 9 and 10 send a subset of what type 8 sends for the same word and memory: 36 and 32
    // of the 48 bits of 24 information bits.
    for (const Code &c : {kCodes[1], kCodes[2]}) {
        auto full = RunModel(c, 99);
        MakeSourceWord(*full, c.k, 1);
        full->vitEncoderMemory = {0, 1};
        auto punctured = std::make_unique<ModelState>(*full);
        full->codeType = 8;
        Encode(*full);
        Encode(*punctured);
        std::vector<std::uint8_t> kept;
        for (int i = 1; i <= 2 * c.k; ++i) {
            const bool deleted = c.type == 9 ? (i + 1) % 4 == 0 : i % 3 == 0;
            if (!deleted)
                kept.push_back(full->codeWord[U(i)]);
        }
        ASSERT_EQ(static_cast<int>(kept.size()), c.n);
        for (int i = 1; i <= c.n; ++i)
            EXPECT_EQ(punctured->codeWord[U(i)], kept[U(i - 1)]) << i;
        EXPECT_EQ(punctured->vitEncoderMemory, full->vitEncoderMemory);
        EXPECT_EQ(punctured->vitEncoderMemory[1], full->infoWord[U(c.k)]);
    }
}

// With k = 1 a decoder call is a single full-symbol step, so the survivors show each selection.
// Position 2 is beyond k and travels with the survivor it belongs to: it names the predecessor.
TEST(ViterbiDecoder, ATieKeepsTheFirstNamedPredecessor) {
    auto m = MakeModel();
    m->codeType = 8;
    m->codeN = 2;
    m->codeK = 1;
    auto step = [&](std::uint8_t c1, std::uint8_t c2) {
        m->vitMetrics = {};
        for (int s = 0; s < 4; ++s) {
            m->vitSurvivors[U(s)][1] = 9;
            m->vitSurvivors[U(s)][2] = static_cast<std::uint8_t>(10 + s);
        }
        m->rxWord[1] = c1;
        m->rxWord[2] = c2;
        Decode(*m, 1);
    };
    auto survivor = [&](int s) {
        return std::pair<int, int>(m->vitSurvivors[U(s)][1], m->vitSurvivors[U(s)][2]);
    };
    // Received 01: new states 0 and 1 tie and keep old state 0; 2 takes old 1 outright, and 3
    // takes old 3 because its candidate is strictly smaller.
    step(0, 1);
    EXPECT_EQ(survivor(0), std::make_pair(0, 10));
    EXPECT_EQ(survivor(1), std::make_pair(3, 10));
    EXPECT_EQ(survivor(2), std::make_pair(1, 11));
    EXPECT_EQ(survivor(3), std::make_pair(1, 13));
    const std::array<std::uint8_t, 8> after01 = {1, 1, 0, 0, 1, 1, 2, 0};
    EXPECT_EQ(m->vitMetrics, after01);
    // Received 00: new states 2 and 3 tie and keep old state 1; 1 takes old 2 outright.
    step(0, 0);
    EXPECT_EQ(survivor(0), std::make_pair(0, 10));
    EXPECT_EQ(survivor(1), std::make_pair(0, 12));
    EXPECT_EQ(survivor(2), std::make_pair(1, 11));
    EXPECT_EQ(survivor(3), std::make_pair(2, 11));
}

TEST(ViterbiDecoder, NormalisationSubtractsAtMostOneHundred) {
    auto m = RunModel(kCodes[0], 1);
    m->vitMetrics.fill(200);
    m->rxWord.fill(0); // the all-zero path from state 0 costs nothing
    Decode(*m, 1);
    EXPECT_EQ(m->vitMetrics[0], 100);
}

// Random words through a channel with 3% bit errors: decoded words, the final metrics and
// survivors, pinned to the bit.
TEST(ViterbiDecoder, KnownAnswerWithAFixedSeed) {
    const std::uint64_t expectedHash[] = {11916600686104812790ULL, 6696596174292018320ULL,
                                          3536267761219886622ULL};
    const int expectedWrongBits[] = {22, 133, 401};
    int index = 0;
    for (const Code &c : kCodes) {
        auto m = RunModel(c, 0);
        m->random.seed = 20240601u;
        std::uint64_t hash = 1469598103934665603ULL;
        int wrongBits = 0;
        for (int b = 1; b <= 400; ++b) {
            MakeSourceWord(*m, c.k, 1);
            Encode(*m);
            for (int j = 1; j <= c.n; ++j)
                m->rxWord[U(j)] = static_cast<std::uint8_t>(
                    m->codeWord[U(j)] ^ (m->random.RandomReal() < 0.03 ? 1 : 0));
            Decode(*m, b);
            for (int j = 1; j <= c.k; ++j) {
                hash = Fnv(hash, m->decodedWord[U(j)]);
                if (b >= 2)
                    wrongBits += m->decodedWord[U(j)] != m->prevInfoWord[U(j)];
            }
        }
        for (auto v : m->vitMetrics)
            hash = Fnv(hash, v);
        for (const auto &s : m->vitSurvivors)
            for (auto v : s)
                hash = Fnv(hash, v);
        hash = Fnv(hash, m->vitEncoderMemory[0]);
        hash = Fnv(hash, m->vitEncoderMemory[1]);
        EXPECT_EQ(hash, expectedHash[index]) << "type " << c.type;
        EXPECT_EQ(wrongBits, expectedWrongBits[index]) << "type " << c.type;
        ++index;
    }
}

TEST(ViterbiSettings, TheCatalogueCodesPassAndOthersAreRefusedWithTheRule) {
    auto m = MakeModel();
    auto check = [&](int type, int n, int k) {
        m->codeType = static_cast<std::uint16_t>(type);
        m->codeN = n;
        m->codeK = k;
        return CheckViterbiSettings(*m);
    };
    for (const Code &c : kCodes)
        EXPECT_FALSE(check(c.type, c.n, c.k)) << c.type;
    EXPECT_FALSE(check(8, 16, 8));   // a shorter block of the same code
    EXPECT_FALSE(check(5, 7, 3));    // not a Viterbi type
    EXPECT_FALSE(check(12, 24, 12)); // the concatenated types have their own check

    struct Refused {
        int type, n, k;
        const char *says;
    };
    const Refused refused[] = {
        {8, 12, 12, "n=12 должно быть больше k=12"},
        {8, 50, 25, "k=25 вне допустимых пределов 1..24"},
        {8, 25, 12, "m = k div (n-k) = 0"},
        {9, 26, 24, "m = k div (n-k) = 12"},
        {9, 19, 13, "k=13 не кратно периоду выкалывания m=2"},
        {8, 40, 20, "число периодов k div m = 20 больше 16"},
        {8, 20, 12, "декодер читает (m+1)*(k div m) = 24 принятых символов, а n=20"},
        {9, 24, 12, "кодер выкалывает с периодом 2"},
        {10, 2100, 2000, "k=2000 вне допустимых пределов 1..24"}};
    for (const auto &r : refused) {
        const auto message = check(r.type, r.n, r.k);
        ASSERT_TRUE(message) << r.type << " " << r.n << " " << r.k;
        EXPECT_NE(message->find(r.says), std::string::npos) << *message;
    }
}

TEST(ViterbiSettings, TheDecoderLeavesTheModelAloneWhenCalledWithRefusedSettings) {
    auto m = RunModel(kCodes[0], 3);
    for (int b = 1; b <= 5; ++b)
        PassBlock(*m, b, {b});
    const auto before = std::make_unique<ModelState>(*m);
    for (auto [n, k] : {std::pair{12, 12}, {2100, 2000}, {25, 12}, {40, 20}, {0, -5}}) {
        m->codeN = n;
        m->codeK = k;
        Decode(*m, 7);
        EXPECT_TRUE(m->vitMetrics == before->vitMetrics &&
                    m->vitSurvivors == before->vitSurvivors &&
                    m->decodedWord == before->decodedWord && m->convK0 == before->convK0)
            << n << " " << k;
    }
}

} // namespace
} // namespace spi

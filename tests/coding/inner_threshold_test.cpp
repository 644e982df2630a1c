// The threshold-decoded inner code of code type 16: residual errors of error-free and lightly
// disturbed blocks, its agreement with the outer rate-1/n0 decoder, the in-place compaction of
// errorVector, known answers and the settings check.
#include "coding/inner_threshold.h"

#include "chain/markov_errors.h"
#include "chain/source_stats.h"
#include "channel/discrete_channel.h"
#include "coding/conv_threshold.h"
#include "coding/gen_poly_parser.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

namespace spi {
namespace {

using Bits = std::vector<std::uint8_t>;

// The model as the first generator call of a type-16 run leaves it: the list read into the set
// size and the step, after the run's set-up.
std::unique_ptr<ModelState> InnerModel(const std::string &list) {
    auto m = MakeModel();
    m->codeType = 16;
    m->innerPolyList = list;
    std::stringstream rows(list);
    std::string row;
    int count = 0, last = 0;
    while (std::getline(rows, row, ',')) {
        ++count;
        last = std::stoi(row);
    }
    m->cascadeSetSize = static_cast<std::uint8_t>(count + 1);
    m->cascadeStep = m->tapTable[last].m;
    m->codeN = m->cascadeStep;
    m->codeK = m->cascadeStep;
    m->ilvL = 1;
    m->fixedSeed = 1;
    PrepareTestRun(*m, m->codeN, m->codeK, 2, 16, 1, 1);
    m->inner16Ready = false; // the run's set-up hands the inner code a fresh start
    return m;
}

int C(const ModelState &m) {
    return m.cascadeSetSize;
}
int Ell(const ModelState &m) {
    return m.cascadeStep;
}

// The inner blocks of one generator call over the given channel errors (a whole number of
// blocks); returns the residual errors errorVector[1 .. blocks*l].
Bits RunBlocks(ModelState &m, const Bits &channel) {
    const int block = C(m) * Ell(m);
    const int blocks = static_cast<int>(channel.size()) / block;
    std::copy(channel.begin(), channel.end(), m.errorVector.begin() + 1);
    for (int h = 1; h <= blocks; ++h) {
        InnerEncode16(m, m, m.tapTable, m.codeWord);
        InnerDecode16(m, m, m.tapTable, m.codeWord, m.errorVector, h);
    }
    return Bits(m.errorVector.begin() + 1, m.errorVector.begin() + 1 + blocks * Ell(m));
}

Bits Clean(const ModelState &m, int blocks) {
    return Bits(blocks * C(m) * Ell(m), 0);
}

int Ones(const Bits &b) {
    return std::accumulate(b.begin(), b.end(), 0);
}

TEST(InnerThreshold, NoChannelErrorsLeaveNoResidualErrors) {
    // Two rows of one memory; one row (rate 1/2); a last row shorter than the first, decided two
    // blocks late; rows of 3, 4 and 5 taps; row 20 (m column 12, largest tap 9); row 113
    // (J column 7, six taps).
    for (const char *list : {"38,39", "31", "32,31", "5,31,59", "20", "113,31"}) {
        SCOPED_TRACE(list);
        auto m = InnerModel(list);
        for (int call = 0; call < 3; ++call)
            ASSERT_EQ(Ones(RunBlocks(*m, Clean(*m, 4))), 0) << "call " << call;
    }
    EXPECT_EQ(InnerModel("32,31")->inner16Delay, 0); // not prepared before its first block
    auto late = InnerModel("32,31");
    RunBlocks(*late, Clean(*late, 1));
    EXPECT_EQ(late->inner16Delay, 2);
    EXPECT_EQ(late->inner16Memory, 12);
}

// Every pattern of `weight` errors in one block among error-free blocks: the number of patterns
// that left a residual error anywhere.
int UncorrectedPatterns(const std::string &list, int weight) {
    auto probe = InnerModel(list);
    RunBlocks(*probe, Clean(*probe, 1));
    const int block = C(*probe) * Ell(*probe);
    const int after = probe->inner16Delay + 3; // the error's block decided, and some to spare
    int failures = 0;
    for (int a = 0; a < block; ++a)
        for (int b = weight == 1 ? a : a + 1; b < (weight == 1 ? a + 1 : block); ++b) {
            auto m = InnerModel(list);
            Bits channel = Clean(*m, 2 + 1 + after);
            channel[2 * block + a] = 1;
            channel[2 * block + b] = 1;
            failures += Ones(RunBlocks(*m, channel)) != 0;
        }
    return failures;
}

TEST(InnerThreshold, IsolatedErrorsAreCorrected) {
    for (const char *list : {"38,39", "31", "32,31", "5,31,59", "113,31"}) {
        SCOPED_TRACE(list);
        EXPECT_EQ(UncorrectedPatterns(list, 1), 0);
    }
    EXPECT_EQ(UncorrectedPatterns("38,39", 2), 0);
    EXPECT_EQ(UncorrectedPatterns("31", 2), 0);
}

// Rows 38 and 39 have the same memory as the block length, where the outer rate-1/3 decoder
// keeps its registers the same way: with Cm = 5, both must leave the same errors.
TEST(InnerThreshold, DecidesAsTheOuterRateOneThirdDecoder) {
    auto outer = MakeModel();
    outer->codeType = 7;
    outer->polyNumbers[0] = 38;
    outer->polyNumbers[1] = 39;
    outer->genPolyText = "0,2,10,25,0,4,12,25,";
    outer->convN0 = 3;
    outer->convK0 = 1;
    outer->codeN = 75;
    outer->codeK = 25;
    outer->codeT = 5;
    SilentNotifier quiet;
    parseGenPoly(*outer, quiet);
    outer->fixedSeed = 1;
    PrepareTestRun(*outer, 75, 25, 3, 7, 1, 1);

    auto inner = InnerModel("38,39");
    ASSERT_EQ(C(*inner), 3);
    ASSERT_EQ(Ell(*inner), 25);

    Random draws{777};
    Bits previous(25, 1);
    int residualErrors = 0;
    for (int call = 0; call < 100; ++call) {
        Bits channel(150);
        for (auto &e : channel)
            e = draws.RandomReal() < 0.05 ? 1 : 0;
        const Bits innerResidual = RunBlocks(*inner, channel);
        for (int w = 0; w < 2; ++w) {
            Bits info(25);
            for (int i = 1; i <= 25; ++i)
                outer->infoWord[i] = info[i - 1] = static_cast<std::uint8_t>(draws.RandomInt(2));
            encodeConvK0N0(*outer, outer->tapTable, *outer, *outer, outer->infoWord,
                           outer->codeWord);
            for (int j = 1; j <= 75; ++j)
                outer->rxWord[j] = outer->codeWord[j] ^ channel[75 * w + j - 1];
            decodeConvK0N0(*outer, outer->tapTable, *outer, *outer, outer->rxWord,
                           outer->channelSeq, outer->decodedWord);
            for (int i = 1; i <= 25; ++i) {
                const std::uint8_t residual = outer->decodedWord[i] ^ previous[i - 1];
                ASSERT_EQ(innerResidual[25 * w + i - 1], residual)
                    << "call " << call << " block " << w + 1 << " bit " << i;
                residualErrors += residual;
            }
            previous = info;
        }
    }
    EXPECT_GT(residualErrors, 0); // the channel was bad enough to leave some
}

// In place, block h overwrites the front of errorVector while later blocks are still to be read.
// Running the same blocks with each block's channel errors restored before it must give the same
// residual errors, and nothing beyond the residual errors may change.
TEST(InnerThreshold, CompactionNeverReadsWhatItHasWritten) {
    for (const char *list : {"32,31", "38,39", "5,31,59"}) {
        SCOPED_TRACE(list);
        auto inPlace = InnerModel(list);
        auto restored = InnerModel(list);
        const int c = C(*inPlace), l = Ell(*inPlace), blocks = 8;
        Random draws{4242};
        Bits channel = Clean(*inPlace, blocks);
        for (auto &e : channel)
            e = draws.RandomReal() < 0.08 ? 1 : 0;

        const Bits residual = RunBlocks(*inPlace, channel);
        for (std::size_t p = residual.size(); p < channel.size(); ++p)
            ASSERT_EQ(inPlace->errorVector[p + 1], channel[p]) << "position " << p + 1;

        for (int h = 1; h <= blocks; ++h) {
            const int from = (h - 1) * c * l;
            for (int i = 1; i <= c * l; ++i)
                restored->errorVector[from + i] = channel[from + i - 1];
            InnerEncode16(*restored, *restored, restored->tapTable, restored->codeWord);
            InnerDecode16(*restored, *restored, restored->tapTable, restored->codeWord,
                          restored->errorVector, h);
            for (int j = 1; j <= l; ++j)
                ASSERT_EQ(restored->errorVector[(h - 1) * l + j], residual[(h - 1) * l + j - 1])
                    << "block " << h << " bit " << j;
        }
    }
}

TEST(InnerThreshold, ANewRunStartsFromACleanState) {
    auto m = InnerModel("38,39");
    Bits noisy = Clean(*m, 3);
    for (std::size_t p = 0; p < noisy.size(); p += 4)
        noisy[p] = 1;
    RunBlocks(*m, noisy);
    PrepareTestRun(*m, m->codeN, m->codeK, 2, 16, 1, 1);
    m->inner16Ready = false;
    EXPECT_EQ(Ones(RunBlocks(*m, Clean(*m, 3))), 0);
}

TEST(InnerThreshold, AnUnusableSetPassesTheInformationErrors) {
    auto m = InnerModel("38,39");
    m->cascadeSetSize = 2; // not the list's three channel bits per information bit
    Bits channel(100);
    channel[0] = 1;  // information bit of step 1
    channel[3] = 1;  // parity bit of step 2
    channel[52] = 1; // information bit of step 2 of block 2
    const Bits residual = RunBlocks(*m, channel);
    Bits expected(50);
    expected[0] = 1;
    expected[26] = 1;
    EXPECT_EQ(residual, expected);
}

std::uint64_t ResidualHash(const std::string &list, double p) {
    auto m = InnerModel(list);
    Random draws{31337};
    std::uint64_t h = 1469598103934665603ull;
    for (int call = 0; call < 6; ++call) {
        Bits channel = Clean(*m, 4);
        for (auto &e : channel)
            e = draws.RandomReal() < p ? 1 : 0;
        for (const auto b : RunBlocks(*m, channel)) {
            h ^= b;
            h *= 1099511628211ull;
        }
    }
    return h;
}

TEST(InnerThreshold, KnownAnswers) {
    EXPECT_EQ(ResidualHash("38,39", 0.06), 2150971399371341832ull);
    EXPECT_EQ(ResidualHash("31", 0.04), 4288533284708233795ull);
    EXPECT_EQ(ResidualHash("32,31", 0.06), 11900034489302384836ull);
    EXPECT_EQ(ResidualHash("5,31,59", 0.08), 16687541853177314995ull);
}

// The error generator runs the inner blocks of a type-16 frame: an error-free channel leaves an
// error-free outer stream.
TEST(InnerThreshold, GeneratorFrameWithoutErrors) {
    auto m = InnerModel("38,39");
    m->codeN = 50;
    m->ilvL = 2;
    m->cascadeInitMark = 0;
    m->discParams = {};
    m->discParams[kP0] = 1;
    m->discParams[kP00] = 1;
    RecordingNotifier notes;
    for (int call = 0; call < 3; ++call) {
        GenerateMarkovErrors(*m, 100, true, notes);
        for (int p = 1; p <= 100; ++p)
            ASSERT_EQ(m->errorVector[p], 0) << "call " << call << " position " << p;
    }
    EXPECT_TRUE(notes.entries.empty());
    EXPECT_EQ(m->wordCount, 1000);
}

TEST(InnerThreshold, SettingsCheck) {
    auto m = InnerModel("38,39");
    m->codeN = 50;
    m->ilvL = 2;
    EXPECT_EQ(CheckInner16Settings(*m, m->tapTable), std::nullopt);
    m->ilvL = 34; // 50*3*34 = 5100
    EXPECT_EQ(CheckInner16Settings(*m, m->tapTable),
              "Поток ошибок внутреннего кода n*3*L=5100 символов превышает 5000.");
    m->ilvL = 1;
    m->innerPolyList = "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1";
    EXPECT_EQ(CheckInner16Settings(*m, m->tapTable),
              "Внутренний код: число многочленов 16 больше 15.");
    // The generator's own refusals: a list that is not one, an n that is no multiple of the step.
    m->innerPolyList = "38,,39";
    EXPECT_EQ(CheckInner16Settings(*m, m->tapTable), std::nullopt);
    m->innerPolyList = "38,39";
    m->codeN = 30;
    EXPECT_EQ(CheckInner16Settings(*m, m->tapTable), std::nullopt);
    m->codeType = 15;
    m->codeN = 5000;
    EXPECT_EQ(CheckInner16Settings(*m, m->tapTable), std::nullopt);
}

} // namespace
} // namespace spi

// The inner Viterbi pairs of the concatenated codes 12, 17 (rate 1/2) and 15 (rate 1/3), driven
// block by block as the discrete-channel generator drives them: no residual errors on a clean
// channel, the first block of a run passed through, the one-block-late decision rules, known
// answers, and the block lengths a run must refuse.
#include "chain/source_stats.h"
#include "coding/inner_codes.h"
#include "coding/inner_viterbi.h"
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace spi {
namespace {

struct Pair {
    int type;
    int n;
    int channelBits; // per information bit
    int l;           // information bits per inner block
    int blocks;      // inner blocks per generator call with L = 1
};
constexpr Pair kPairs[] = {
    {12, 24, 2, 12, 2}, {15, 36, 3, 12, 3}, {17, 155, 2, 31, 5}, {17, 40, 2, 40, 1}};

std::size_t U(int i) {
    return static_cast<std::size_t>(i);
}

// Inner block h on the model's parts, as the error generator hands them.
void RunBlock(ModelState &m, int h) {
    RunInnerBlock(m, m, m.tapTable, m.codeWord, m.errorVector, h);
}

void SetUpRun(ModelState &m, const Pair &p) {
    m.codeType = static_cast<std::uint16_t>(p.type);
    m.codeN = p.n;
    m.codeK = p.n / 2;
    m.ilvL = 1;
    PrepareTestRun(m, p.n, m.codeK, m.convN0, p.type, 1, m.convK0);
}

// The inner part of one generator call (L = 1): channel errors with probability pErr over the
// expanded stream, then every inner block. Leaves the residual errors in errorVector[1..n].
void GeneratorCall(ModelState &m, const Pair &p, double pErr) {
    for (int i = 1; i <= p.channelBits * p.n; ++i)
        m.errorVector[U(i)] = m.random.RandomReal() < pErr ? 1 : 0;
    for (int h = 1; h <= p.blocks; ++h)
        RunBlock(m, h);
}

int ResidualErrors(const ModelState &m, int from, int to) {
    int e = 0;
    for (int i = from; i <= to; ++i)
        e += m.errorVector[U(i)];
    return e;
}

std::uint64_t Fnv(std::uint64_t h, std::uint64_t v) {
    return (h ^ v) * 1099511628211ULL;
}

class InnerPair : public ::testing::TestWithParam<Pair> {};

TEST_P(InnerPair, ACleanChannelLeavesNoResidualErrors) {
    const Pair p = GetParam();
    auto m = MakeModel();
    m->fixedSeed = 5;
    SetUpRun(*m, p);
    for (int call = 1; call <= 30; ++call) {
        GeneratorCall(*m, p, 0.0);
        ASSERT_EQ(ResidualErrors(*m, 1, p.n), 0) << "call " << call;
    }
    EXPECT_EQ(m->innerBlockLen, p.l);

    // A noisy run leaves its metrics and survivors behind; the next clean run still decides
    // every bit right after its first block.
    SetUpRun(*m, p);
    for (int call = 1; call <= 20; ++call)
        GeneratorCall(*m, p, 0.1);
    SetUpRun(*m, p);
    for (int call = 1; call <= 10; ++call) {
        GeneratorCall(*m, p, 0.0);
        ASSERT_EQ(ResidualErrors(*m, 1, p.n), 0) << "clean run after a noisy one, call " << call;
    }
}

TEST_P(InnerPair, TheFirstInnerBlockOfARunPassesItsChannelErrorsThrough) {
    const Pair p = GetParam();
    auto m = MakeModel();
    m->fixedSeed = 6;
    SetUpRun(*m, p);
    for (int call = 1; call <= 5; ++call)
        GeneratorCall(*m, p, 0.1);

    SetUpRun(*m, p);
    EXPECT_EQ(m->innerViterbiMark, 0.0);
    for (int i = 1; i <= p.channelBits * p.l; ++i)
        m->errorVector[U(i)] = (i * 7 % 5) < 2 ? 1 : 0;
    const auto channel = m->errorVector;
    RunBlock(*m, 1);
    for (int i = 1; i <= p.channelBits * p.l; ++i)
        ASSERT_EQ(m->errorVector[U(i)], channel[U(i)]) << i;
    EXPECT_EQ(m->innerViterbiMark, 1e10);
}

// Each inner block writes its residual errors over the front of the stream. Decoding the same
// blocks with every block given a fresh copy of the channel stream must give the same residuals:
// no block reads what an earlier one wrote.
TEST_P(InnerPair, ResidualsAreCompactedInPlace) {
    const Pair p = GetParam();
    auto m = MakeModel();
    m->fixedSeed = 8;
    SetUpRun(*m, p);
    GeneratorCall(*m, p, 0.05);
    const int stream = p.channelBits * p.n;
    for (int i = 1; i <= stream; ++i)
        m->errorVector[U(i)] = m->random.RandomReal() < 0.1 ? 1 : 0;
    m->errorVector[U(stream + 1)] = 7; // beyond the call's stream
    const auto channel = m->errorVector;
    auto fresh = std::make_unique<ModelState>(*m);

    for (int h = 1; h <= p.blocks; ++h)
        RunBlock(*m, h);
    for (int h = 1; h <= p.blocks; ++h) {
        fresh->errorVector = channel;
        RunBlock(*fresh, h);
        for (int i = p.l * (h - 1) + 1; i <= p.l * h; ++i)
            ASSERT_EQ(m->errorVector[U(i)], fresh->errorVector[U(i)])
                << "block " << h << " bit " << i;
    }
    EXPECT_EQ(m->errorVector[U(stream + 1)], 7);
}

INSTANTIATE_TEST_SUITE_P(Types12To17, InnerPair, ::testing::ValuesIn(kPairs), [](const auto &info) {
    return "Type" + std::to_string(info.param.type) + "n" + std::to_string(info.param.n);
});

// The decision for position 1 is made before the block's first step, so it reads exactly the
// survivors set here: position 1 for the agreement test, position 2 for the decided bit (a next
// symbol 0 or 3 is a decided 0 where 1 was sent). Only the rate-1/2 pair asks for agreement.
TEST(InnerDecision, RateHalfNeedsAgreementRateThirdReadsPathZeroAlone) {
    auto m = MakeModel();
    auto decide = [&](const Pair &p, std::array<std::uint8_t, 4> atOne, std::uint8_t path0AtTwo) {
        SetUpRun(*m, p);
        auto set = [&](auto &paths) {
            for (int s = 0; s < 4; ++s)
                paths[U(s)][1] = atOne[U(s)];
            paths[0][2] = path0AtTwo;
        };
        if (p.type == 15)
            set(m->inner15Paths);
        else
            set(m->innerPaths);
        m->innerViterbiMark = 1e10;
        RunBlock(*m, 1); // the set-up cleared the channel errors
        return m->errorVector[1];
    };
    const Pair &half = kPairs[0];
    EXPECT_EQ(decide(half, {2, 2, 2, 2}, 0), 1);
    EXPECT_EQ(decide(half, {2, 2, 2, 2}, 3), 1);
    EXPECT_EQ(decide(half, {2, 2, 2, 2}, 1), 0);
    EXPECT_EQ(decide(half, {2, 2, 2, 2}, 2), 0);
    EXPECT_EQ(decide(half, {2, 2, 2, 1}, 0), 0); // survivors disagree: no residual error
    EXPECT_EQ(decide(half, {0, 3, 3, 3}, 3), 0);
    const Pair &third = kPairs[1];
    EXPECT_EQ(decide(third, {2, 2, 2, 1}, 0), 1);
    EXPECT_EQ(decide(third, {0, 3, 1, 2}, 3), 1);
    EXPECT_EQ(decide(third, {0, 3, 1, 2}, 2), 0);
}

TEST(InnerMetrics, NormalisationIsCappedAt300And100) {
    auto m = MakeModel();
    SetUpRun(*m, kPairs[0]);
    m->innerMetrics.fill(1000);
    GeneratorCall(*m, kPairs[0], 0.0); // two blocks
    // The sent path costs nothing on a clean channel, so its metric shows what was subtracted.
    EXPECT_EQ(m->innerMetrics[3], 1000 - 2 * 300);

    const Pair oneBlock15 = {15, 12, 3, 12, 1};
    SetUpRun(*m, oneBlock15);
    m->inner15Metrics.fill(250);
    GeneratorCall(*m, oneBlock15, 0.0);
    EXPECT_EQ(m->inner15Metrics[3], 250 - 100);
}

// Residual error streams of fixed random channel errors, and the state left behind, pinned.
TEST(InnerKnownAnswer, FixedChannelErrors) {
    const std::uint64_t expectedHash[] = {3243406012223242030ULL, 7214206710242595188ULL,
                                          907908775107729364ULL, 14272863906383965059ULL};
    const int expectedResiduals[] = {15, 24, 147, 36};
    int index = 0;
    for (const Pair &p : kPairs) {
        auto m = MakeModel();
        SetUpRun(*m, p);
        m->random.seed = 424242u;
        std::uint64_t hash = 1469598103934665603ULL;
        int residuals = 0;
        for (int call = 1; call <= 60; ++call) {
            GeneratorCall(*m, p, 0.06);
            for (int i = 1; i <= p.n; ++i)
                hash = Fnv(hash, m->errorVector[U(i)]);
            residuals += ResidualErrors(*m, 1, p.n);
        }
        if (p.type == 15) {
            for (auto v : m->inner15Metrics)
                hash = Fnv(hash, v);
            for (const auto &path : m->inner15Paths)
                for (auto v : path)
                    hash = Fnv(hash, v);
        } else {
            for (auto v : m->innerMetrics)
                hash = Fnv(hash, v);
            for (const auto &path : m->innerPaths)
                for (auto v : path)
                    hash = Fnv(hash, v);
        }
        EXPECT_EQ(hash, expectedHash[index]) << "type " << p.type << " n " << p.n;
        EXPECT_EQ(residuals, expectedResiduals[index]) << "type " << p.type << " n " << p.n;
        ++index;
    }
}

TEST(InnerSettings, Type17BlocksLongerThanTheSurvivorsAreRefused) {
    auto m = MakeModel();
    auto check = [&](int type, int n) {
        m->codeType = static_cast<std::uint16_t>(type);
        m->codeN = n;
        return CheckInnerViterbiSettings(*m);
    };
    for (int n : {155, 378, 2040, 60, 1})
        EXPECT_FALSE(check(17, n)) << n;
    EXPECT_FALSE(check(12, 2040));
    EXPECT_FALSE(check(15, 1200));
    EXPECT_FALSE(check(8, 24));
    const auto message = check(17, 61);
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("l=61"), std::string::npos) << *message;
    EXPECT_TRUE(check(17, 255));

    // Called anyway, the pair touches nothing.
    SetUpRun(*m, {17, 61, 2, 61, 1});
    m->innerViterbiMark = 1e10;
    for (int i = 1; i <= 122; ++i)
        m->errorVector[U(i)] = 1;
    const auto before = std::make_unique<ModelState>(*m);
    RunBlock(*m, 1);
    EXPECT_EQ(m->errorVector, before->errorVector);
    EXPECT_EQ(m->innerPaths, before->innerPaths);
    EXPECT_EQ(m->innerMetrics, before->innerMetrics);
    EXPECT_EQ(m->innerInfoBits, before->innerInfoBits);
}

} // namespace
} // namespace spi

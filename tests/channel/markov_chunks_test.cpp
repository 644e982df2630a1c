// The generator's chunked ways (the lanes of every kind the processor has, and the way it picks)
// against the chain drawn bit by bit: errors, seed, state and length after every call, over random
// channels.
#include "channel/discrete_channel.h"
#include "channel/markov_generator.h"
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace spi {
namespace {

using Errors = std::array<std::uint8_t, kMaxBlock + 1>;

// The kinds of channel the cases take turns over: the probabilities each kind gives. States 0
// and 2 alike (the same stay and error probabilities) are worked all bits at once, the others by
// walking the state changes.
enum class Kind {
    Random,
    SameErrors,
    SameOuterStays,
    AlikeOuter,
    AlikeOuterSameErrors,
    Degenerate,
    DegenerateAlikeOuter,
    Sticky,
    Restless,
    Count
};

struct Caller {
    ModelParameters p;
    MarkovGeneratorState state;
    Random random;
    Errors errors;
};

// A probability from the degenerate set or on a draw the run will make, so that the comparisons
// land on their counts and beyond their ends.
double Degenerate(Random &pick, std::uint32_t runSeed) {
    const std::uint32_t onGrid =
        AdvanceSeed(runSeed, static_cast<std::uint64_t>(pick.RandomInt(2000)));
    const double grid = static_cast<double>(onGrid) / 4294967296.0;
    switch (pick.RandomInt(12)) {
    case 0:
        return 0.0;
    case 1:
        return 1.0;
    case 2:
        return -0.25;
    case 3:
        return 1.5;
    case 4:
        return std::numeric_limits<double>::quiet_NaN();
    case 5:
        return grid;
    case 6:
        return std::nextafter(grid, 0.0);
    case 7:
    case 8:
    case 9:
        return grid - 1 / 4294967296.0; // the count is then the draw itself
    default:
        return pick.RandomReal();
    }
}

void MakeChannel(Kind kind, Random &pick, std::uint32_t runSeed, ModelParameters &p) {
    auto &d = p.discParams;
    const bool degenerate = kind == Kind::Degenerate || kind == Kind::DegenerateAlikeOuter;
    for (double &v : d)
        v = degenerate ? Degenerate(pick, runSeed) : pick.RandomReal();
    // The sum P10 + P11 (in extended precision) on a draw as well.
    if (degenerate && pick.RandomInt(2) == 0)
        d[kP10] = Degenerate(pick, runSeed) - d[kP11];
    if (kind == Kind::SameErrors || kind == Kind::AlikeOuterSameErrors)
        d[kE1] = d[kE2] = d[kE0];
    if (kind == Kind::AlikeOuter || kind == Kind::DegenerateAlikeOuter)
        d[kE2] = d[kE0];
    if (kind == Kind::SameOuterStays || kind == Kind::AlikeOuter ||
        kind == Kind::AlikeOuterSameErrors || kind == Kind::DegenerateAlikeOuter)
        d[kP22] = d[kP00];
    if (kind == Kind::Sticky || kind == Kind::Restless) {
        for (auto k : {kP00, kP11, kP22})
            d[k] = kind == Kind::Sticky ? 1 - 0.002 * pick.RandomReal() : 0.05 * pick.RandomReal();
        d[kP10] = (1 - d[kP11]) * pick.RandomReal();
    }
}

TEST(MarkovChunksTest, ChunkedWaysDrawExactlyAsTheChainBitByBit) {
    Random pick{20261209u};
    constexpr int kKinds = static_cast<int>(Kind::Count);
    long long compared = 0;
    for (int trial = 0; trial < 600; ++trial) {
        Caller plain;
        plain.random.seed = pick.Next();
        // Every other case degenerate: its comparisons on the counts are the rare ones.
        const Kind kind = trial % 2
                              ? (trial % 4 == 1 ? Kind::Degenerate : Kind::DegenerateAlikeOuter)
                              : static_cast<Kind>(trial / 2 % kKinds);
        MakeChannel(kind, pick, plain.random.seed, plain.p);
        const std::int32_t states[] = {0, 0, 1, 2, 3, 7, -2};
        plain.state.chanState = states[pick.RandomInt(7)];
        plain.errors.fill(9);
        Caller picked = plain, portable = plain, avx2 = plain;
        for (int call = 0; call < 3; ++call) {
            // Now and then one bit more than the stream holds, which all refuse alike; a quarter
            // of the calls short, as a short code's block, which DrawMarkovErrors walks apart.
            const int draw = pick.RandomInt(40);
            const int bits = draw == 0   ? kMaxBlock + 1
                             : draw < 11 ? 1 + pick.RandomInt(15)
                                         : 1 + pick.RandomInt(kMaxBlock);
            const bool drawn =
                DrawMarkovErrorsPlain(plain.p, plain.state, plain.random, plain.errors, bits);
            for (Caller *c : {&picked, &portable, &avx2}) {
                const MarkovLanes lanes = c == &avx2 ? MarkovLanes::Avx2 : MarkovLanes::Portable;
                if (!MarkovLanesAvailable(lanes))
                    continue;
                const bool fastDrawn =
                    c == &picked
                        ? DrawMarkovErrors(c->p, c->state, c->random, c->errors, bits)
                        : DrawMarkovErrorsWith(lanes, c->p, c->state, c->random, c->errors, bits);
                const auto where = ::testing::Message()
                                   << "trial " << trial << " call " << call << " bits " << bits
                                   << (c == &picked ? " picked"
                                       : c == &avx2 ? " avx2"
                                                    : " portable");
                ASSERT_EQ(fastDrawn, drawn) << where;
                ASSERT_EQ(c->random.seed, plain.random.seed) << where;
                ASSERT_EQ(c->state.chanState, plain.state.chanState) << where;
                ASSERT_EQ(c->state.genLength, plain.state.genLength) << where;
                ASSERT_EQ(c->errors, plain.errors) << where;
            }
            compared += drawn ? bits : 0;
        }
    }
    EXPECT_GT(compared, 2'000'000);
    if (!MarkovLanesAvailable(MarkovLanes::Avx2))
        std::printf("AVX2 lanes not on this processor: only the portable ones compared\n");
}

// The mask of a short call holds the bits the chain draws into bytes, and leaves seed and state
// alike; lengths outside 1..64 draw nothing.
TEST(MarkovChunksTest, MaskOfAShortCallEqualsTheBytes) {
    Random pick{77u};
    constexpr int kKinds = static_cast<int>(Kind::Count);
    for (int trial = 0; trial < 400; ++trial) {
        Caller plain;
        plain.random.seed = pick.Next();
        MakeChannel(static_cast<Kind>(trial % kKinds), pick, plain.random.seed, plain.p);
        plain.state.chanState = pick.RandomInt(4);
        Caller masked = plain;
        for (int call = 0; call < 4; ++call) {
            const int bits = call == 3 ? 65 * pick.RandomInt(2) : 1 + pick.RandomInt(64);
            const auto mask = DrawMarkovErrorMask(masked.p, masked.state, masked.random, bits);
            if (bits == 0 || bits == 65) {
                ASSERT_FALSE(mask);
                ASSERT_EQ(masked.random.seed, plain.random.seed);
                continue;
            }
            ASSERT_TRUE(
                DrawMarkovErrorsPlain(plain.p, plain.state, plain.random, plain.errors, bits));
            ASSERT_TRUE(mask);
            for (int i = 0; i < bits; ++i)
                ASSERT_EQ(*mask >> i & 1u, plain.errors[static_cast<std::size_t>(i) + 1])
                    << "trial " << trial << " bit " << i;
            ASSERT_EQ(bits < 64 ? *mask >> bits : 0u, 0u);
            ASSERT_EQ(masked.random.seed, plain.random.seed);
            ASSERT_EQ(masked.state.chanState, plain.state.chanState);
            ASSERT_EQ(masked.state.genLength, plain.state.genLength);
        }
    }
}

// The research generator's chunks, in every kind of lanes the processor has, against its draws as
// doubles bit by bit; some probabilities are draws of the run itself (or just below one), so that
// comparisons land on their counts. Now and then a call is a mask.
TEST(MarkovChunksTest, ResearchChunksDrawAsTheDoublesBitByBit) {
    Random pick{20261210u};
    constexpr int kKinds = static_cast<int>(Kind::Count);
    const PhiloxLanes allLanes[] = {PhiloxLanes::Portable, PhiloxLanes::Avx2, PhiloxLanes::Avx512};
    long long compared = 0;
    for (int trial = 0; trial < 300; ++trial) {
        Caller plain;
        plain.random.Start(Generator::Philox, pick.Next(), pick.Next() % 4);
        MakeChannel(static_cast<Kind>(trial % kKinds), pick, 0, plain.p);
        PhiloxDraws ahead = plain.random.philox;
        for (double &v : plain.p.discParams)
            if (pick.RandomInt(3) == 0) {
                const double x = ahead.Next();
                v = pick.RandomInt(2) ? x : std::nextafter(x, 0.0);
            }
        plain.state.chanState = pick.RandomInt(4);
        Caller lanes[3] = {plain, plain, plain};
        for (int call = 0; call < 4; ++call) {
            const bool asMask = pick.RandomInt(4) == 0;
            const int bits = asMask ? 1 + pick.RandomInt(pick.RandomInt(2) ? 15 : 64)
                                    : 1 + pick.RandomInt(kMaxBlock);
            ASSERT_TRUE(
                DrawMarkovErrorsPlain(plain.p, plain.state, plain.random, plain.errors, bits));
            for (int l = 0; l < 3; ++l) {
                Caller &c = lanes[l];
                if (!PhiloxLanesAvailable(allLanes[l]))
                    continue;
                c.random.philox.lanes = allLanes[l];
                if (asMask) {
                    const auto mask = DrawMarkovErrorMask(c.p, c.state, c.random, bits);
                    ASSERT_TRUE(mask);
                    for (int i = 0; i < bits; ++i)
                        c.errors[static_cast<std::size_t>(i) + 1] = *mask >> i & 1u;
                } else {
                    ASSERT_TRUE(DrawMarkovErrors(c.p, c.state, c.random, c.errors, bits));
                }
                const auto where = ::testing::Message()
                                   << "trial " << trial << " call " << call << " lanes " << l;
                ASSERT_EQ(c.random.philox.Taken(), plain.random.philox.Taken()) << where;
                ASSERT_EQ(c.state.chanState, plain.state.chanState) << where;
                ASSERT_TRUE(std::equal(c.errors.begin() + 1, c.errors.begin() + 1 + bits,
                                       plain.errors.begin() + 1))
                    << where;
            }
            compared += bits;
        }
    }
    EXPECT_GT(compared, 1'000'000);
}

} // namespace
} // namespace spi

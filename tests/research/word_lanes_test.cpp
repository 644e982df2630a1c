// "Стат2" of the short cyclic codes with their words as machine words against the same runs block
// by block: every count, figure and buffer alike, whole runs and shares of divided ones.
#include "chain/code_dispatch.h"
#include "chain/stat_runs.h"
#include "chain/word_lanes.h"
#include "channel/discrete_channel.h"
#include "forms/channel_step.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace spi {
namespace {

std::unique_ptr<ModelState> Chain(int codeType, int channel) {
    auto m = MakeModel();
    SilentNotifier quiet;
    m->channelType = 1;
    EXPECT_TRUE(AcceptChannelStep(*m, quiet));
    CoderSettings coder;
    std::string why;
    EXPECT_TRUE(ApplyCodeChoice(coder, *m, quiet, codeType, std::nullopt, &why)) << why;
    EXPECT_TRUE(AcceptCoderSettings(coder, *m, quiet));
    auto &d = m->discParams;
    if (channel == 1) { // bursts: long stays, a bad state that errs half the time
        d[kP0] = 0.9, d[kP1] = 0.08, d[kE0] = 0.001, d[kE1] = 0.05, d[kE2] = 0.5;
        d[kP01] = 0.01, d[kP21] = 0.02;
        EXPECT_TRUE(DeriveDiscreteChannel(*m, quiet));
    } else if (channel == 2) { // a state change at nearly every bit
        d[kP00] = d[kP11] = d[kP22] = 0.05, d[kP10] = 0.5;
    }
    return m;
}

void ExpectAlike(const ModelState &a, const ModelState &b) {
    EXPECT_EQ(a.vitEncoderMemory, b.vitEncoderMemory);
    EXPECT_EQ(a.vitMetrics, b.vitMetrics);
    EXPECT_EQ(a.vitSurvivors, b.vitSurvivors);
    EXPECT_EQ(a.convK0, b.convK0);
    EXPECT_EQ(a.multBefore, b.multBefore);
    EXPECT_EQ(a.multAfter, b.multAfter);
    EXPECT_EQ(a.pErrIn, b.pErrIn);
    EXPECT_EQ(a.pErrOut, b.pErrOut);
    EXPECT_EQ(a.pErrInConf, b.pErrInConf);
    EXPECT_EQ(a.pErrOutConf, b.pErrOutConf);
    EXPECT_EQ(a.wordErrProbAfter, b.wordErrProbAfter);
    EXPECT_EQ(a.rateWithCoder, b.rateWithCoder);
    EXPECT_EQ(a.batchTally.cells, b.batchTally.cells);
    EXPECT_EQ(a.random.seed, b.random.seed);
    EXPECT_EQ(a.chanState, b.chanState);
    EXPECT_EQ(a.genLength, b.genLength);
    EXPECT_EQ(a.infoWord, b.infoWord);
    EXPECT_EQ(a.prevInfoWord, b.prevInfoWord);
    EXPECT_EQ(a.refInfoWord, b.refInfoWord);
    EXPECT_EQ(a.codeWord, b.codeWord);
    EXPECT_EQ(a.rxWord, b.rxWord);
    EXPECT_EQ(a.decodedWord, b.decodedWord);
    EXPECT_EQ(a.errorVector, b.errorVector);
    EXPECT_EQ(a.channelSeq, b.channelSeq);
    EXPECT_EQ(a.interleaverMatrix, b.interleaverMatrix);
    EXPECT_EQ(a.blockInfoWords, b.blockInfoWords);
    EXPECT_EQ(a.decoderWork1, b.decoderWork1);
    EXPECT_EQ(a.decoderWork2, b.decoderWork2);
    EXPECT_EQ(a.decoderWork3, b.decoderWork3);
    EXPECT_EQ(a.cascadeInitMark, b.cascadeInitMark);
}

TEST(WordLanes, RunAsTheBlocksOneByOne) {
    struct Case {
        int type, channel, words;
        double probOne;
        bool share;       // a share of a divided run: counts kept, batches of a larger run
        int n = 0, k = 0; // other than the code's own
        Generator generator = Generator::Model;
    };
    constexpr Generator kPhilox = Generator::Philox;
    const Case cases[] = {{5, 0, 3000, 0.5, false},
                          {5, 1, 5000, 0.3, true},
                          {5, 2, 1000, 1.0, false},
                          {5, 0, 513, 0.5, false},
                          {3, 1, 140000, 0.5, false},
                          {4, 2, 140000, 0.7, true},
                          {8, 0, 3000, 0.5, false},
                          {8, 1, 2000, 0.4, true},
                          {9, 2, 2000, 0.5, false},
                          {10, 0, 2000, 0.6, true},
                          {8, 2, 500, 0.5, false, 2, 1},
                          {8, 1, 500, 0.5, false, 10, 5},
                          {5, 1, 5000, 0.3, true, 0, 0, kPhilox},
                          {5, 2, 1000, 1.0, false, 0, 0, kPhilox},
                          {3, 1, 140000, 0.5, false, 0, 0, kPhilox},
                          {8, 1, 2000, 0.4, true, 0, 0, kPhilox},
                          {9, 2, 2000, 1e-9, false, 0, 0, kPhilox}};
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " channel " << c.channel
                                          << (c.generator == kPhilox ? " philox" : ""));
        auto lanes = Chain(c.type, c.channel), blocks = Chain(c.type, c.channel);
        for (ModelState *m : {lanes.get(), blocks.get()})
            m->wordCount = c.words, m->fixedSeed = 4242u + c.words, m->probOne = c.probOne;
        if (c.n > 0)
            for (ModelState *m : {lanes.get(), blocks.get()})
                m->codeN = c.n, m->codeK = c.k;
        RunOptions options;
        options.generator = c.generator, options.stream = 5;
        if (c.share)
            options.keepCounts = true, options.unitOffset = 777, options.unitTotal = 3 * c.words;
        SilentNotifier quiet;
        RunStat2(*lanes, quiet, nullptr, options);
        options.wordLanes = false;
        RunStat2(*blocks, quiet, nullptr, options);
        ExpectAlike(*lanes, *blocks);
    }
}

// A second run goes on from the coder state the first left; survivors with values no step writes
// keep the run byte by byte, with the same figures.
TEST(WordLanes, CarryTheViterbiStateOfEarlierRuns) {
    for (const std::uint8_t junk : {std::uint8_t{0}, std::uint8_t{2}, std::uint8_t{9}}) {
        auto lanes = Chain(8, 1), blocks = Chain(8, 1);
        for (ModelState *m : {lanes.get(), blocks.get()}) {
            m->wordCount = 1500, m->fixedSeed = 99u;
            m->vitSurvivors[2][5] = junk, m->vitSurvivors[1][20] = junk;
        }
        SilentNotifier quiet;
        RunOptions options;
        for (int run = 0; run < 2; ++run) {
            options.wordLanes = true;
            RunStat2(*lanes, quiet, nullptr, options);
            options.wordLanes = false;
            RunStat2(*blocks, quiet, nullptr, options);
            ExpectAlike(*lanes, *blocks);
        }
    }
}

// "Стат 1" on the discrete channel counting the errors of its groups of words from the chain's
// masks, against the same runs byte by byte: counts, figures and buffers alike, for runs of one
// group or several, words that cross or fill the masks' words, and runs stopped in a group.
struct StopAfter : RunProgress {
    int advances = 0, last = 0;
    explicit StopAfter(int n) : last(n) {}
    void Advance(int) override { ++advances; }
    void Counter(long long) override {}
    bool CancelRequested() override { return advances >= last; }
};

TEST(WordLanes, Stat1CountsFromMasksAsFromBytes) {
    struct Case {
        int n, words, channel;
        Generator generator;
        int stopAfter = 0;
    };
    constexpr Generator kModel = Generator::Model, kPhilox = Generator::Philox;
    const Case cases[] = {
        {36, 30000, 0, kModel},    {36, 30000, 1, kPhilox}, {7, 900, 2, kModel},
        {1, 7000, 1, kModel},      {64, 5000, 0, kPhilox},  {65, 5000, 2, kPhilox},
        {1050, 9, 1, kModel},      {1051, 7, 0, kModel},    {2100, 5, 1, kPhilox},
        {36, 174, 0, kModel},      {36, 175, 1, kModel},    {36, 30000, 1, kModel, 7},
        {36, 30000, 2, kPhilox, 5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "n " << c.n << " words " << c.words << " channel "
                                          << c.channel << " stop " << c.stopAfter);
        auto masks = Chain(5, c.channel), bytes = Chain(5, c.channel);
        for (ModelState *m : {masks.get(), bytes.get()})
            m->wordCount = c.words, m->stat1WordLength = c.n, m->fixedSeed = 77u + c.n;
        RunOptions options;
        options.generator = c.generator;
        SilentNotifier quiet;
        StopAfter stopMasks(c.stopAfter), stopBytes(c.stopAfter);
        const auto a = RunStat1(*masks, quiet, c.stopAfter ? &stopMasks : nullptr, options);
        options.wordLanes = false;
        const auto b = RunStat1(*bytes, quiet, c.stopAfter ? &stopBytes : nullptr, options);
        EXPECT_EQ(a.outcome, b.outcome);
        ExpectAlike(*masks, *bytes);
    }
}

// The machine-word words with the processor's own bit count and with the portable one: the same
// counts from the same draws.
TEST(WordLanes, BothBitCountsAlike) {
    for (const int type : {5, 8})
        for (const Generator generator : {Generator::Model, Generator::Philox}) {
            auto own = Chain(type, 1);
            own->random.Start(generator, 99u, 0);
            auto lanes = MakeWordLanes(*own, CodecFor(type), 1'000'000, false);
            ASSERT_TRUE(lanes && EnterWordLanes(*own, *lanes));
            auto portable = MakeModel();
            *portable = *own;
            WordLanes plain = *lanes;
            plain.word = PortableLaneWord;
            for (int w = 0; w < 3000; ++w) {
                const LaneWord a = RunLaneWord(*own, *lanes), b = RunLaneWord(*portable, plain);
                ASSERT_EQ(std::tie(a.before, a.after), std::tie(b.before, b.after))
                    << type << " " << w;
            }
            EXPECT_EQ(own->random.seed, portable->random.seed);
            EXPECT_EQ(own->random.philox.Taken(), portable->random.philox.Taken());
            EXPECT_EQ(own->chanState, portable->chanState);
        }
}

} // namespace
} // namespace spi

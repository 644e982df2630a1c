// The three-state Markov error generator: its promises, a known-answer vector, and the proof that
// the fast loop draws exactly as the plain one below.
#include "chain/markov_errors.h"
#include "channel/discrete_channel.h"
#include "coding/inner_codes.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace spi {
namespace {

constexpr const char *kCascadeWarning = "Ошибка каскадного набора g(x).";

// The generator written out plainly, draw by draw, with the comparisons as the channel defines
// them. It covers the codes whose set-up needs no tap list (types 12, 15, 17) and type 16 with
// cascadeSetSize already prepared; the inner blocks run through the same inner codes as in the
// generator, so that only the drawing of the channel errors is compared.
void ReferenceMarkovErrors(ModelState &m, int length, bool withCoder) {
    m.genLength = length;
    if (withCoder && m.cascadeInitMark != 1e20) {
        m.cascadeInitMark = 1e20;
        if ((m.codeType == 12 || m.codeType == 15) && m.codeN % 12 != 0) {
            m.wordCount = 0;
            return;
        }
    }
    if (withCoder) {
        if (m.codeType == 12 || m.codeType == 17)
            m.genLength *= 2;
        if (m.codeType == 15)
            m.genLength *= 3;
        if (m.codeType == 16)
            m.genLength *= m.cascadeSetSize;
    }
    const auto d = m.discParams;
    const double e[3] = {d[kE0], d[kE1], d[kE2]};
    const double p[3][3] = {
        {d[kP00], d[kP01], 0}, {d[kP10], d[kP11], d[kP12]}, {0, d[kP21], d[kP22]}};
    if (m.chanState == 0) {
        const double x = m.random.RandomReal();
        long double c = d[kP0];
        int s = 2;
        if (x <= c) {
            s = 0;
        } else {
            c += d[kP1];
            if (x <= c)
                s = 1;
        }
        m.chanState = s + 1;
    }
    int s = m.chanState - 1;
    for (int i = 1; i <= m.genLength; ++i) {
        const double x = m.random.RandomReal();
        m.errorVector[i] = e[s] - x >= 0 ? 1 : 0;
        const double y = m.random.RandomReal();
        if (y <= p[s][s])
            continue;
        if (s == 0 || s == 2) {
            s = 1;
        } else if (static_cast<long double>(y) <=
                   static_cast<long double>(p[1][0]) + static_cast<long double>(p[1][1])) {
            s = 0;
        } else {
            s = 2;
        }
    }
    m.chanState = s + 1;
    if (!withCoder ||
        (m.codeType != 12 && m.codeType != 15 && m.codeType != 16 && m.codeType != 17))
        return;
    const int n = m.codeN, L = m.ilvL;
    int blocks = L;
    if (m.codeType == 12 || m.codeType == 15)
        blocks = (n / 12) * L;
    else if (m.codeType == 16)
        blocks = m.cascadeStep > 0 ? (n / m.cascadeStep) * L : 0;
    else if (n == 155)
        blocks = 5 * L;
    else if (n == 378)
        blocks = 18 * L;
    else if (n == 2040)
        blocks = 40 * L;
    for (int h = 1; h <= blocks; ++h)
        RunInnerBlock(m, m, m.tapTable, m.codeWord, m.errorVector, h);
}

void SetChannel(ModelState &m, double p0, double p1, double e0, double e1, double e2, double p01,
                double p21) {
    auto &d = m.discParams;
    d = {};
    d[kP0] = p0;
    d[kP1] = p1;
    d[kE0] = e0;
    d[kE1] = e1;
    d[kE2] = e2;
    d[kP01] = p01;
    d[kP21] = p21;
    SilentNotifier n;
    ASSERT_TRUE(DeriveDiscreteChannel(m, n));
}

std::unique_ptr<ModelState> DefaultChannelModel(std::uint32_t seed) {
    auto m = MakeModel();
    SilentNotifier n;
    CalcDiscreteChannel(*m, n);
    m->random.seed = seed;
    return m;
}

int CountErrors(const ModelState &m, int length) {
    return static_cast<int>(
        std::count(m.errorVector.begin() + 1, m.errorVector.begin() + 1 + length, 1));
}

TEST(MarkovGeneratorTest, NoErrorProbabilityGivesNoErrors) {
    auto m = DefaultChannelModel(777);
    SetChannel(*m, 0.4, 0.4, 0, 0, 0, 0.1, 0.1);
    RecordingNotifier n;
    for (int call = 0; call < 20; ++call) {
        GenerateMarkovErrors(*m, 5000, false, n);
        EXPECT_EQ(CountErrors(*m, 5000), 0);
    }
    EXPECT_TRUE(n.entries.empty());
}

TEST(MarkovGeneratorTest, ErrorProbabilityOneGivesOnlyErrors) {
    auto m = DefaultChannelModel(778);
    SetChannel(*m, 0.4, 0.4, 1, 1, 1, 0.1, 0.1);
    RecordingNotifier n;
    for (int call = 0; call < 20; ++call) {
        GenerateMarkovErrors(*m, 5000, false, n);
        EXPECT_EQ(CountErrors(*m, 5000), 5000);
    }
}

TEST(MarkovGeneratorTest, ZeroErrorProbabilityErrsOnlyOnADrawOfZero) {
    auto m = DefaultChannelModel(0);
    SetChannel(*m, 0.4, 0.4, 0, 0, 0, 0.1, 0.1);
    m->chanState = 1;
    // The seed before a draw of exactly 0 is the one that the generator maps to 0:
    // s*134775813 + 1 = 0 (mod 2^32) for s = -1/134775813.
    std::uint32_t inverse = 1; // of 134775813 mod 2^32, by Newton's iteration
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 134775813u * inverse;
    m->random.seed = static_cast<std::uint32_t>(0u - inverse);
    SilentNotifier n;
    GenerateMarkovErrors(*m, 3, false, n);
    EXPECT_EQ(m->errorVector[1], 1);
    EXPECT_EQ(m->errorVector[2], 0);
    EXPECT_EQ(m->errorVector[3], 0);
}

TEST(MarkovGeneratorTest, WithoutLeavingTransitionTheChainStaysInStateZero) {
    auto m = DefaultChannelModel(4242);
    SetChannel(*m, 1, 0.5, 0, 1, 1, 0, 0.1); // P0 = 1: the first draw picks state 0
    SilentNotifier n;
    for (int call = 0; call < 20; ++call) {
        GenerateMarkovErrors(*m, 5000, false, n);
        EXPECT_EQ(CountErrors(*m, 5000), 0);
        EXPECT_EQ(m->chanState, 1);
    }
}

TEST(MarkovGeneratorTest, InitialStateIsDrawnOnlyOnce) {
    auto m = DefaultChannelModel(99);
    SilentNotifier n;
    std::uint32_t seed = m->random.seed;
    GenerateMarkovErrors(*m, 100, false, n);
    Random expected{seed};
    for (int i = 0; i < 201; ++i)
        expected.Next(); // initial state, then two draws per bit
    EXPECT_EQ(m->random.seed, expected.seed);
    GenerateMarkovErrors(*m, 100, false, n);
    for (int i = 0; i < 200; ++i)
        expected.Next();
    EXPECT_EQ(m->random.seed, expected.seed);
    EXPECT_EQ(m->genLength, 100);
}

TEST(MarkovGeneratorTest, BadStateWithCertainErrorsAndNoExit) {
    auto m = DefaultChannelModel(5);
    SetChannel(*m, 0.4, 0.4, 0, 0, 1, 0.1, 0); // P22 = 1
    m->chanState = 3;
    SilentNotifier n;
    GenerateMarkovErrors(*m, 4000, false, n);
    EXPECT_EQ(CountErrors(*m, 4000), 4000);
    EXPECT_EQ(m->chanState, 3);
}

TEST(MarkovGeneratorTest, ConsecutiveCallsContinueTheChain) {
    for (std::uint32_t seed : {1u, 2024u, 0xDEADBEEFu}) {
        auto split = DefaultChannelModel(seed);
        auto whole = DefaultChannelModel(seed);
        SetChannel(*split, 0.5, 0.3, 0.001, 0.05, 0.4, 0.05, 0.2);
        SetChannel(*whole, 0.5, 0.3, 0.001, 0.05, 0.4, 0.05, 0.2);
        SilentNotifier n;
        std::vector<std::uint8_t> joined;
        for (int call = 0; call < 4; ++call) {
            GenerateMarkovErrors(*split, 1000, false, n);
            joined.insert(joined.end(), split->errorVector.begin() + 1,
                          split->errorVector.begin() + 1001);
        }
        GenerateMarkovErrors(*whole, 4000, false, n);
        EXPECT_TRUE(std::equal(joined.begin(), joined.end(), whole->errorVector.begin() + 1));
        EXPECT_EQ(split->chanState, whole->chanState);
        EXPECT_EQ(split->random.seed, whole->random.seed);
    }
}

// Equal error probabilities in all states make the errors independent of the state sequence:
// the number of errors in a word of n = 36 bits is binomial B(36, 0.1). 20000 words against the
// expected counts of 0..9 errors and a tail bin, chi-square with 10 degrees of freedom below
// 29.59 (p = 0.001); mean within four standard errors, variance within 5 %.
TEST(MarkovGeneratorTest, EqualErrorProbabilitiesGiveABinomialCount) {
    auto m = DefaultChannelModel(20240613);
    SetChannel(*m, 0.3, 0.3, 0.1, 0.1, 0.1, 0.2, 0.3);
    SilentNotifier n;
    const int n36 = 36, words = 20000;
    const double p = 0.1;
    std::vector<int> histogram(n36 + 1, 0);
    double sum = 0, sumSq = 0;
    for (int w = 0; w < words; ++w) {
        GenerateMarkovErrors(*m, n36, false, n);
        const int e = CountErrors(*m, n36);
        ++histogram[e];
        sum += e;
        sumSq += static_cast<double>(e) * e;
    }
    const double mean = sum / words;
    const double variance = sumSq / words - mean * mean;
    EXPECT_NEAR(mean, n36 * p, 4 * std::sqrt(n36 * p * (1 - p) / words));
    EXPECT_NEAR(variance / (n36 * p * (1 - p)), 1, 0.05);

    std::vector<double> expected(n36 + 1);
    for (int k = 0; k <= n36; ++k)
        expected[k] = words * std::exp(std::lgamma(n36 + 1.0) - std::lgamma(k + 1.0) -
                                       std::lgamma(n36 - k + 1.0) + k * std::log(p) +
                                       (n36 - k) * std::log(1 - p));
    double chi2 = 0, tailObserved = 0, tailExpected = 0;
    for (int k = 0; k <= n36; ++k) {
        if (k < 10) {
            chi2 += (histogram[k] - expected[k]) * (histogram[k] - expected[k]) / expected[k];
        } else {
            tailObserved += histogram[k];
            tailExpected += expected[k];
        }
    }
    chi2 += (tailObserved - tailExpected) * (tailObserved - tailExpected) / tailExpected;
    EXPECT_LT(chi2, 29.59);
}

// The stationary state probabilities show in the long-run error rate: Pcp.
TEST(MarkovGeneratorTest, LongRunErrorRateIsTheMeanErrorProbability) {
    auto m = DefaultChannelModel(31337);
    SetChannel(*m, 0.6, 0.3, 0.0, 0.05, 0.5, 0.02, 0.05);
    SilentNotifier n;
    long long errors = 0;
    const int calls = 2000;
    for (int call = 0; call < calls; ++call) {
        GenerateMarkovErrors(*m, 5000, false, n);
        errors += CountErrors(*m, 5000);
    }
    const double rate = static_cast<double>(errors) / (5000.0 * calls);
    EXPECT_NEAR(rate, m->discParams[kPcp], 0.01 * m->discParams[kPcp] + 0.002);
}

TEST(MarkovGeneratorTest, CascadeCodeLengthNotAMultipleOfTwelve) {
    auto m = DefaultChannelModel(1);
    m->codeType = 12;
    m->codeN = 30;
    m->errorVector.fill(7);
    const auto seed = m->random.seed;
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 30, true, n);
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Warning);
    EXPECT_EQ(n.entries[0].text, kCascadeWarning);
    EXPECT_EQ(m->wordCount, 0);
    EXPECT_EQ(m->cascadeInitMark, 1e20);
    EXPECT_EQ(m->random.seed, seed);
    EXPECT_EQ(m->chanState, 0);
    EXPECT_TRUE(std::all_of(m->errorVector.begin(), m->errorVector.end(),
                            [](std::uint8_t b) { return b == 7; }));
}

TEST(MarkovGeneratorTest, CascadeLengthCheckOnlyOnTheFirstCallOfARun) {
    auto m = DefaultChannelModel(1);
    m->codeType = 15;
    m->codeN = 30;
    m->cascadeInitMark = 1e20; // a later call of the run
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 30, true, n);
    EXPECT_TRUE(n.entries.empty());
    EXPECT_EQ(m->wordCount, 1000);
    EXPECT_EQ(m->genLength, 90);
}

TEST(MarkovGeneratorTest, GeneratedLengthPerCodeType) {
    struct Case {
        int codeType, n, length, expected;
    };
    for (const Case c : {Case{12, 24, 48, 96}, Case{15, 36, 36, 108}, Case{17, 155, 155, 310},
                         Case{5, 7, 7, 7}, Case{0, 15, 30, 30}}) {
        auto m = DefaultChannelModel(3);
        m->codeType = static_cast<std::uint16_t>(c.codeType);
        m->codeN = c.n;
        RecordingNotifier n;
        for (int call = 0; call < 3; ++call) {
            GenerateMarkovErrors(*m, c.length, true, n);
            EXPECT_EQ(m->genLength, c.expected) << c.codeType;
        }
        EXPECT_TRUE(n.entries.empty()) << c.codeType;
        EXPECT_EQ(m->wordCount, 1000);
    }
}

TEST(MarkovGeneratorTest, WithoutTheCoderNothingIsMultipliedOrChecked) {
    auto m = DefaultChannelModel(3);
    m->codeType = 12;
    m->codeN = 30;
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 30, false, n);
    EXPECT_TRUE(n.entries.empty());
    EXPECT_EQ(m->genLength, 30);
    EXPECT_EQ(m->cascadeInitMark, 0);
}

TEST(MarkovGeneratorTest, ThresholdCascadeTakesItsSetFromTheTapList) {
    auto m = DefaultChannelModel(3);
    m->codeType = 16;
    m->innerPolyList = "3, 5";
    m->codeN = 9; // tapTable row 5 has m = 3
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 18, true, n);
    EXPECT_TRUE(n.entries.empty());
    EXPECT_EQ(m->cascadeSetSize, 3);
    EXPECT_EQ(m->cascadeStep, 3);
    EXPECT_EQ(m->genLength, 54);
    GenerateMarkovErrors(*m, 18, true, n);
    EXPECT_EQ(m->genLength, 54);
}

TEST(MarkovGeneratorTest, ThresholdCascadeRefusesABadSet) {
    for (const std::string list : {"", "abc", "0", "171", "3,", ",3", "3;5"}) {
        auto m = DefaultChannelModel(3);
        m->codeType = 16;
        m->innerPolyList = list;
        m->codeN = 12;
        RecordingNotifier n;
        GenerateMarkovErrors(*m, 12, true, n);
        EXPECT_TRUE(n.Has(kCascadeWarning)) << list;
        EXPECT_EQ(m->wordCount, 0) << list;
    }
    // More rows than the set size's byte holds.
    auto m = DefaultChannelModel(3);
    m->codeType = 16;
    m->innerPolyList = "1";
    for (int i = 0; i < 254; ++i)
        m->innerPolyList += ",1";
    m->codeN = 12;
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 12, true, n);
    EXPECT_TRUE(n.Has(kCascadeWarning));
}

TEST(MarkovGeneratorTest, ThresholdCascadeCodeLengthMustBeAMultipleOfTheStep) {
    auto m = DefaultChannelModel(3);
    m->codeType = 16;
    m->innerPolyList = "7"; // m = 7
    m->codeN = 20;
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 20, true, n);
    EXPECT_TRUE(n.Has(kCascadeWarning));
    EXPECT_EQ(m->wordCount, 0);
    EXPECT_EQ(m->cascadeStep, 7);
}

TEST(MarkovGeneratorTest, StreamBeyondTheErrorVectorIsRefused) {
    auto m = DefaultChannelModel(3);
    m->codeType = 12;
    m->codeN = 2508; // multiple of 12; 2*2508 > 5000
    m->errorVector.fill(7);
    RecordingNotifier n;
    GenerateMarkovErrors(*m, 2508, true, n);
    EXPECT_TRUE(n.Has(kCascadeWarning));
    EXPECT_EQ(m->wordCount, 0);
    EXPECT_EQ(m->errorVector[1], 7);

    auto plain = DefaultChannelModel(3);
    RecordingNotifier n2;
    GenerateMarkovErrors(*plain, 5001, false, n2);
    EXPECT_TRUE(n2.Has(kCascadeWarning));
    GenerateMarkovErrors(*plain, 5000, false, n2);
    EXPECT_EQ(n2.entries.size(), 1u);
}

// What the generator returns says what its warning and NB = 0 say.
TEST(MarkovGeneratorTest, ReturnsWhetherTheStreamWasGenerated) {
    struct Case {
        const char *what;
        int codeType, n, length;
        const char *innerList;
        bool withCoder, generated;
    };
    for (const Case c : {
             Case{"plain", 5, 7, 5000, "", false, true},
             Case{"plain beyond errorVector", 5, 7, 5001, "", false, false},
             Case{"type 12, n a multiple of 12", 12, 24, 48, "", true, true},
             Case{"type 12, n no multiple of 12", 12, 30, 30, "", true, false},
             Case{"type 12, inner stream beyond errorVector", 12, 2508, 2508, "", true, false},
             Case{"type 16, a set", 16, 9, 18, "3, 5", true, true},
             Case{"type 16, no set", 16, 12, 12, "3;5", true, false},
             Case{"type 16, n no multiple of the step", 16, 20, 20, "7", true, false},
         }) {
        auto m = DefaultChannelModel(3);
        m->codeType = static_cast<std::uint16_t>(c.codeType);
        m->codeN = c.n;
        m->innerPolyList = c.innerList;
        RecordingNotifier n;
        EXPECT_EQ(GenerateMarkovErrors(*m, c.length, c.withCoder, n), c.generated) << c.what;
        EXPECT_EQ(n.Has(kCascadeWarning), !c.generated) << c.what;
        EXPECT_EQ(m->wordCount == 0, !c.generated) << c.what;
    }
}

// The comparisons are non-strict: a probability equal to the draw fires, the next double below
// does not.
TEST(MarkovGeneratorTest, DrawsOnTheThresholds) {
    const std::uint32_t seed = 0x12345678u;
    Random r{seed};
    const double x = r.RandomReal(); // error draw of bit 1
    const double y = r.RandomReal(); // transition draw of bit 1
    auto run = [&](int state, double e, double stay, double p10) {
        auto m = MakeModel();
        auto &d = m->discParams;
        d[kE0] = d[kE1] = d[kE2] = e;
        d[kP00] = d[kP11] = d[kP22] = stay;
        d[kP10] = p10;
        m->chanState = state;
        m->random.seed = seed;
        auto plain = MakeModel();
        *plain = *m;
        SilentNotifier n;
        GenerateMarkovErrors(*m, 1, false, n);
        ReferenceMarkovErrors(*plain, 1, false);
        EXPECT_EQ(m->errorVector[1], plain->errorVector[1]);
        EXPECT_EQ(m->chanState, plain->chanState);
        return std::pair{int{m->errorVector[1]}, m->chanState};
    };
    const double below = std::nextafter(x, 0.0);
    EXPECT_EQ(run(1, x, 1, 0).first, 1);
    EXPECT_EQ(run(1, below, 1, 0).first, 0);
    EXPECT_EQ(run(1, 0, y, 0).second, 1);                      // stays
    EXPECT_EQ(run(1, 0, std::nextafter(y, 0.0), 0).second, 2); // 0 -> 1
    EXPECT_EQ(run(3, 0, std::nextafter(y, 0.0), 0).second, 2); // 2 -> 1
    EXPECT_EQ(run(2, 0, 0, y).second, 1);                      // P10 + P11 = y: 1 -> 0
    EXPECT_EQ(run(2, 0, 0, std::nextafter(y, 0.0)).second, 3); // 1 -> 2
    EXPECT_EQ(run(2, 0, y / 2, y - y / 2).second, 1);          // the sum, not each term
    // The sum is taken in extended precision: y - 2^-60 stays below the draw, although in double
    // it would round up to it.
    ASSERT_GT(y, 0.25);
    const double p11 = y - std::ldexp(1.0, -40);
    const double p10 = std::ldexp(1.0, -40) - std::ldexp(1.0, -60);
    ASSERT_EQ(p10 + p11, y);
    EXPECT_EQ(run(2, 0, p11, p10).second, 3);
}

// The first 200 error bits of the default channel (P0 = P1 = 0.4, E = 0.12, P01 = P21 = 0.1) from
// seed 12345, and the seed and state after them.
TEST(MarkovGeneratorTest, KnownAnswerForTheDefaultChannel) {
    auto m = DefaultChannelModel(12345);
    SilentNotifier n;
    GenerateMarkovErrors(*m, 200, false, n);
    std::string bits;
    for (int i = 1; i <= 200; ++i)
        bits += static_cast<char>('0' + m->errorVector[i]);
    EXPECT_EQ(bits, "000100000010001000101000000010011000000010000110000001001000100010010001000000"
                    "0000000000010100001010"
                    "000010000010010000000100000000000000100000000000000000000000000000000110000000"
                    "0000000000000000010000");
    EXPECT_EQ(m->random.seed, 1870152718u);
    EXPECT_EQ(m->chanState, 1);
}

// The generator keeps the comparison counts of the last channel it saw on the thread. Models of
// different channels taking turns call by call, and then a channel changed in place between two
// calls of one run, must still draw as the plain loop does.
TEST(MarkovGeneratorTest, ChannelsTakingTurnsDrawAsThePlainLoop) {
    auto a = DefaultChannelModel(1);
    auto b = DefaultChannelModel(2);
    // b differs from a only in state 2, the last probabilities the counts are made from.
    b->discParams[kE2] = 0.45;
    b->discParams[kP22] = 0.6;
    auto plainA = MakeModel(), plainB = MakeModel();
    *plainA = *a;
    *plainB = *b;
    SilentNotifier n;
    for (int call = 0; call < 40; ++call) {
        if (call == 30) {
            // Only P10 changes, the term of the one sum in extended precision.
            a->discParams[kP10] = plainA->discParams[kP10] = a->discParams[kP10] / 2;
        }
        for (auto [fast, plain] :
             {std::pair{a.get(), plainA.get()}, std::pair{b.get(), plainB.get()}}) {
            if (call >= 20 && fast == b.get())
                continue;
            GenerateMarkovErrors(*fast, 333, false, n);
            ReferenceMarkovErrors(*plain, 333, false);
            ASSERT_TRUE(std::equal(fast->errorVector.begin() + 1, fast->errorVector.begin() + 334,
                                   plain->errorVector.begin() + 1))
                << "call " << call;
            ASSERT_EQ(fast->chanState, plain->chanState) << "call " << call;
            ASSERT_EQ(fast->random.seed, plain->random.seed) << "call " << call;
        }
    }
}

// The fast loop against the plain one: many seeds and channels, including probabilities on the
// draw grid (k * 2^-32, where the non-strict comparisons matter), out of range, and not numbers.
TEST(MarkovGeneratorTest, FastLoopDrawsExactlyAsThePlainOne) {
    Random pick{987654321u};
    std::uint32_t runSeed = 0;
    // A draw the run will really make (within its first few hundred), so that comparisons land
    // exactly on their thresholds.
    auto grid = [&]() {
        Random ahead{runSeed};
        for (int j = pick.RandomInt(400); j >= 0; --j)
            ahead.Next();
        return static_cast<double>(ahead.seed) / 4294967296.0;
    };
    auto probability = [&]() -> double {
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
        case 6:
            return grid(); // exactly on a possible draw
        case 7:
            return std::nextafter(grid(), 0.0);
        default:
            return pick.RandomReal();
        }
    };
    int compared = 0;
    for (int trial = 0; trial < 400; ++trial) {
        auto fast = MakeModel();
        runSeed = pick.Next();
        fast->random.seed = runSeed;
        auto &d = fast->discParams;
        for (double &v : d)
            v = probability();
        // Also channels as the dialog derives them, where P10 + P11 lands next to a draw.
        if (trial % 3 == 0) {
            d[kP11] = pick.RandomReal() * 0.9;
            d[kP10] = grid() - d[kP11];
        }
        fast->chanState = trial % 5 == 0 ? 1 + pick.RandomInt(3) : 0;
        fast->codeN = 24;
        const int codeTypes[] = {5, 12, 15, 16, 17};
        fast->codeType = static_cast<std::uint16_t>(codeTypes[pick.RandomInt(5)]);
        fast->cascadeSetSize = 2;
        fast->cascadeInitMark = fast->codeType == 16 ? 1e20 : 0;
        auto plain = MakeModel();
        *plain = *fast;
        SilentNotifier n;
        for (int call = 0; call < 6; ++call) {
            const int length = 1 + pick.RandomInt(1500);
            const bool withCoder = pick.RandomInt(2) == 1;
            GenerateMarkovErrors(*fast, length, withCoder, n);
            ReferenceMarkovErrors(*plain, length, withCoder);
            ASSERT_EQ(fast->genLength, plain->genLength) << trial;
            ASSERT_EQ(fast->random.seed, plain->random.seed) << trial << " call " << call;
            ASSERT_EQ(fast->chanState, plain->chanState) << trial << " call " << call;
            ASSERT_TRUE(std::equal(fast->errorVector.begin(), fast->errorVector.end(),
                                   plain->errorVector.begin()))
                << trial << " call " << call;
            compared += fast->genLength;
        }
    }
    EXPECT_GT(compared, 1'000'000);
}

} // namespace
} // namespace spi

// The exact error statistics of the Markov channel against enumeration of every state path and
// error pattern, against the binomial law, and against the generator itself.
#include "chain/channel_theory.h"
#include "channel/discrete_channel.h"
#include "channel/markov_generator.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

namespace spi {
namespace {

using Params = std::array<double, 15>;

// P0, P1, E0, E1, E2, P01, P21 for the dialog's derivation.
Params Derived(double p0, double p1, double e0, double e1, double e2, double p01, double p21) {
    auto m = MakeModel();
    auto &d = m->discParams;
    d[kP0] = p0, d[kP1] = p1, d[kE0] = e0, d[kE1] = e1, d[kE2] = e2, d[kP01] = p01, d[kP21] = p21;
    SilentNotifier silent;
    EXPECT_TRUE(DeriveDiscreteChannel(*m, silent));
    return d;
}

// Channels as the generator reads them: derived ones, one whose state 1 does not add up
// (P10 + P11 above 1), and one with E outside 0..1.
std::vector<Params> Channels() {
    Params odd{};
    odd[kP00] = 0.7, odd[kP11] = 0.6, odd[kP10] = 0.55, odd[kP22] = 0.2;
    odd[kE0] = 0.05, odd[kE1] = 0.3, odd[kE2] = 0.9;
    Params clamped = odd;
    clamped[kP11] = 0.2, clamped[kP10] = 0.3, clamped[kE0] = -0.1, clamped[kE2] = 1.5;
    return {Derived(0.4, 0.3, 0.01, 0.1, 0.4, 0.5, 0.5), Derived(0.7, 0.2, 0, 0.2, 0.6, 0.05, 0.1),
            odd, clamped};
}

// Every state path over positions 0..symbolAt.size()-1 and every error pattern at the marked
// ones (symbolAt >= 0): the probability of each number of symbols in error.
struct Enumeration {
    ChannelTransitions P;
    std::array<long double, 3> e;
    std::vector<int> symbolAt;
    std::vector<long double> hist = std::vector<long double>(33, 0);

    void Walk(std::size_t i, int s, long double prob, std::uint32_t bad) {
        if (i == symbolAt.size()) {
            hist[static_cast<std::size_t>(std::popcount(bad))] += prob;
            return;
        }
        if (symbolAt[i] < 0)
            return Move(i, s, prob, bad);
        Move(i, s, prob * e[static_cast<std::size_t>(s)], bad | (1u << symbolAt[i]));
        Move(i, s, prob * (1 - e[static_cast<std::size_t>(s)]), bad);
    }
    void Move(std::size_t i, int s, long double prob, std::uint32_t bad) {
        for (int to = 0; to < 3; ++to)
            if (prob * P[static_cast<std::size_t>(s)][static_cast<std::size_t>(to)] > 0)
                Walk(i + 1, to, prob * P[static_cast<std::size_t>(s)][static_cast<std::size_t>(to)],
                     bad);
    }
    static std::vector<long double> Of(const Params &d, std::vector<int> symbolAt) {
        Enumeration en{TheoryTransitions(d), TheoryErrorProbs(d), std::move(symbolAt)};
        const auto pi = *TheoryStationary(en.P);
        for (int s = 0; s < 3; ++s)
            en.Walk(0, s, pi[static_cast<std::size_t>(s)], 0);
        return en.hist;
    }
    static long double AtMost(const std::vector<long double> &hist, int t) {
        return std::accumulate(hist.begin(), hist.begin() + t + 1, 0.0L);
    }
};

TEST(ChannelTheoryTest, StationaryDistributionAndMeanErrorProbability) {
    for (const Params &d : Channels()) {
        const auto P = TheoryTransitions(d);
        const auto pi = *TheoryStationary(P);
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(static_cast<double>(pi[0] * P[0][j] + pi[1] * P[1][j] + pi[2] * P[2][j]),
                        static_cast<double>(pi[j]), 1e-15);
            EXPECT_NEAR(static_cast<double>(P[j][0] + P[j][1] + P[j][2]), 1, 1e-18);
        }
    }
    const Params d = Channels()[1];
    const auto pi = *TheoryStationary(TheoryTransitions(d));
    for (int s = 0; s < 3; ++s)
        EXPECT_NEAR(static_cast<double>(pi[static_cast<std::size_t>(s)]), d[kP0 + s], 1e-15);
    EXPECT_NEAR(*TheoryPErrIn(d), d[kPcp], 1e-15);
    Params absorbing = d; // two states that are never left: no single stationary regime
    absorbing[kP00] = absorbing[kP22] = 1;
    absorbing[kP11] = 0.5;
    EXPECT_FALSE(TheoryStationary(TheoryTransitions(absorbing)));
    EXPECT_TRUE(TheoryErrorCounts(absorbing, 5).empty());
}

TEST(ChannelTheoryTest, RecursionsMatchEnumeration) {
    // -1: a position outside the set; otherwise its symbol. Bit sets give each position its own.
    const std::vector<std::vector<int>> sets = {{0, 1, 2, 3, 4, 5, 6, 7, 8},
                                                {0, -1, 1, 2, -1, -1, -1, 3, -1, 4},
                                                {-1, 0, 0, -1, 1, 1, -1, -1, 2, 2},
                                                {0, 1, -1, 0, 2, 1, -1, 2, 0},
                                                {0, 0, 0, 1, 1, 1, 2, 2, 2}};
    for (const Params &d : Channels()) {
        const auto counts = TheoryErrorCounts(d, 9);
        const auto all = Enumeration::Of(d, sets[0]);
        for (std::size_t i = 0; i <= 9; ++i)
            EXPECT_NEAR(counts[i], static_cast<double>(all[i]), 1e-15) << i;
        for (const auto &set : sets) {
            const auto hist = Enumeration::Of(d, set);
            std::vector<int> positions, symbols;
            for (int p = 0; p < static_cast<int>(set.size()); ++p)
                if (set[static_cast<std::size_t>(p)] >= 0)
                    positions.push_back(p), symbols.push_back(set[static_cast<std::size_t>(p)]);
            for (int t = 0; t <= 3; ++t) {
                const double want = static_cast<double>(Enumeration::AtMost(hist, t));
                EXPECT_NEAR(*TheoryAtMostT(d, positions, symbols, t), want, 1e-15) << t;
                const bool bits = set == sets[0] || set == sets[1];
                if (bits) {
                    EXPECT_NEAR(*TheoryBitsAtMostT(d, positions, t), want, 1e-15) << t;
                }
            }
        }
    }
}

// Every state path over span positions (3^span of them), with the number of errors at the marked
// positions as a sum of independent draws given the path: the distribution of bit errors.
std::vector<long double> OverStatePaths(const Params &d, int span,
                                        const std::vector<bool> &marked) {
    const auto P = TheoryTransitions(d);
    const auto e = TheoryErrorProbs(d);
    const auto pi = *TheoryStationary(P);
    std::vector<long double> hist(static_cast<std::size_t>(span) + 1, 0);
    std::vector<std::vector<long double>> dist(static_cast<std::size_t>(span) + 1);
    std::function<void(int, int, long double)> walk = [&](int i, int s, long double prob) {
        auto &next = dist[static_cast<std::size_t>(i) + 1];
        next = dist[static_cast<std::size_t>(i)];
        if (marked[static_cast<std::size_t>(i)]) {
            next.push_back(0);
            const long double q = e[static_cast<std::size_t>(s)];
            for (std::size_t c = next.size() - 1; c > 0; --c)
                next[c] = next[c] * (1 - q) + next[c - 1] * q;
            next[0] *= 1 - q;
        }
        if (i + 1 == span) {
            for (std::size_t c = 0; c < next.size(); ++c)
                hist[c] += prob * next[c];
            return;
        }
        for (int to = 0; to < 3; ++to) {
            const long double step = P[static_cast<std::size_t>(s)][static_cast<std::size_t>(to)];
            if (step > 0)
                walk(i + 1, to, prob * step);
        }
    };
    dist[0] = {1.0L};
    for (int s = 0; s < 3; ++s)
        walk(0, s, pi[static_cast<std::size_t>(s)]);
    return hist;
}

// Twelve bits, consecutive and spread over thirteen positions, against every state path.
TEST(ChannelTheoryTest, TwelveBitsMatchEveryStatePath) {
    for (const Params &d : Channels()) {
        const auto counts = TheoryErrorCounts(d, 12);
        const auto all = OverStatePaths(d, 12, std::vector<bool>(12, true));
        for (std::size_t i = 0; i <= 12; ++i)
            EXPECT_NEAR(counts[i], static_cast<double>(all[i]), 1e-14) << i;
        std::vector<bool> spread(13, true);
        spread[5] = false;
        const auto hist = OverStatePaths(d, 13, spread);
        std::vector<int> positions;
        for (int p = 0; p < 13; ++p)
            if (spread[static_cast<std::size_t>(p)])
                positions.push_back(p);
        long double atMost = 0;
        for (int t = 0; t <= 12; ++t) {
            atMost += hist[static_cast<std::size_t>(t)];
            EXPECT_NEAR(*TheoryBitsAtMostT(d, positions, t), static_cast<double>(atMost), 1e-14)
                << t;
        }
    }
}

TEST(ChannelTheoryTest, DecodedBoundAveragesTheWordsOfTheBlock) {
    const std::vector<std::int32_t> perm = {3, 6, 0, 5, 1, 7, 2, 4}; // n = 4, L = 2
    for (const Params &d : Channels()) {
        for (const int m : {1, 2}) {
            std::vector<std::vector<long double>> hists;
            for (int w = 0; w < 2; ++w) {
                std::vector<int> set(8, -1);
                for (std::size_t p = 0; p < 8; ++p)
                    if (perm[p] / 4 == w)
                        set[p] = (perm[p] % 4) / m;
                hists.push_back(Enumeration::Of(d, set));
            }
            for (int t = 0; t <= 2; ++t) {
                const long double want =
                    (Enumeration::AtMost(hists[0], t) + Enumeration::AtMost(hists[1], t)) / 2;
                EXPECT_NEAR(*TheoryDecodedBound(d, perm, 4, 2, t, m), static_cast<double>(want),
                            1e-15);
            }
        }
    }
    const std::vector<std::int32_t> repeated = {3, 6, 0, 5, 1, 7, 2, 3};
    EXPECT_FALSE(TheoryDecodedBound(Channels()[0], repeated, 4, 2, 1, 1));
    // Thirteen symbols open at once in channel order: past the limits, no value.
    std::vector<int> positions(26), symbols(26);
    for (int i = 0; i < 26; ++i)
        positions[static_cast<std::size_t>(i)] = i, symbols[static_cast<std::size_t>(i)] = i % 13;
    EXPECT_FALSE(TheoryAtMostT(Channels()[0], positions, symbols, 2));
    symbols.resize(25);
    EXPECT_FALSE(TheoryAtMostT(Channels()[0], positions, symbols, 2));
}

TEST(ChannelTheoryTest, IndependentErrorsAreBinomial) {
    for (Params d : Channels()) {
        const double p = 0.13;
        d[kE0] = d[kE1] = d[kE2] = p;
        const int n = 60;
        const auto counts = TheoryErrorCounts(d, n);
        long double binom = std::pow(1.0L - p, n); // C(n, i) p^i (1-p)^(n-i), i by i
        for (int i = 0; i <= n; ++i) {
            EXPECT_NEAR(counts[static_cast<std::size_t>(i)], static_cast<double>(binom), 1e-12);
            binom = binom * (n - i) / (i + 1) * p / (1 - p);
        }
    }
    const auto big = TheoryErrorCounts(Channels()[2], 2100);
    EXPECT_NEAR(std::accumulate(big.begin(), big.end(), 0.0), 1, 1e-12);
}

// The distribution with its negligible top cut off equals the whole table to the double: low
// error rates, where the cut saves most, and burst channels with a second mode of many errors.
TEST(ChannelTheoryTest, CutDistributionEqualsTheWholeTable) {
    auto channels = Channels();
    channels.push_back(Derived(0.98, 0.015, 0.0005, 0.01, 0.5, 0.01, 0.02));
    channels.push_back(Derived(0.5, 0.3, 0, 0, 1, 0.001, 0.001));
    for (const Params &d : channels)
        for (int n : {0, 1, 7, 255, 2040}) {
            const auto cut = TheoryErrorCounts(d, n), whole = TheoryErrorCountsPlain(d, n);
            ASSERT_EQ(cut.size(), whole.size());
            for (std::size_t k = 0; k < cut.size(); ++k)
                ASSERT_EQ(std::bit_cast<std::uint64_t>(cut[k]),
                          std::bit_cast<std::uint64_t>(whole[k]))
                    << "n " << n << " k " << k;
        }
}

// Words of 7 bits drawn by the generator, 700 per block of 4900 bits; the blocks are batches for
// the standard error, since the words of a burst channel are correlated.
TEST(ChannelTheoryTest, GeneratorAgreesWithTheDistribution) {
    auto m = MakeModel();
    m->discParams = Derived(0.4, 0.3, 0.01, 0.1, 0.4, 0.2, 0.3);
    m->random.seed = 20261209;
    const int n = 7, words = 700, batches = 300;
    const auto theory = TheoryErrorCounts(m->discParams, n);
    std::vector<double> sum(n + 1, 0), sumSq(n + 1, 0);
    for (int b = 0; b < batches; ++b) {
        ASSERT_TRUE(DrawMarkovErrors(*m, *m, m->random, m->errorVector, n * words));
        std::vector<double> freq(n + 1, 0);
        for (int w = 0; w < words; ++w)
            freq[static_cast<std::size_t>(std::accumulate(m->errorVector.begin() + 1 + w * n,
                                                          m->errorVector.begin() + 1 + (w + 1) * n,
                                                          0))] += 1.0 / words;
        for (int i = 0; i <= n; ++i)
            sum[i] += freq[i], sumSq[i] += freq[i] * freq[i];
    }
    for (int i = 0; i <= n; ++i) {
        const double mean = sum[i] / batches;
        const double se = std::sqrt((sumSq[i] / batches - mean * mean) / (batches - 1));
        if (theory[static_cast<std::size_t>(i)] * words * batches >= 5) {
            EXPECT_LT(std::abs(mean - theory[static_cast<std::size_t>(i)]), 4 * se) << i;
        }
    }
}

} // namespace
} // namespace spi

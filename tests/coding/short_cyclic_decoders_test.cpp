#include "coding/cyclic_test_util.h"
#include "coding/short_cyclic_decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>
#include <vector>

namespace spi {
namespace {

using test::Encode;
using test::RandomBits;
using test::SetCyclicCode;
using test::SetReceived;
using test::Slice;
using Bits = std::vector<std::uint8_t>;

struct ShortCode {
    const char *name;
    const char *g;
    int n, k;
    std::uint16_t type;
    void (*decode)(std::span<const std::uint8_t, kMaxWord + 1>,
                   std::span<std::uint8_t, kMaxWord + 1>);
};

const ShortCode kGolay{"(23,12)", "5343", 23, 12, 2, decodeKasamiRudolph};
const ShortCode kHamming{"(15,11)", "31", 15, 11, 3, decodeMeggitt};
const ShortCode kCode157{"(15,7)", "427", 15, 7, 4, decodeThreshold157};
const ShortCode kCode73{"(7,3)", "35", 7, 3, 5, decodeMajority73};

// The whole decoded word, positions 1..n, after the decoder saw rx.
Bits Decode(ModelState &m, const ShortCode &c, const Bits &rx) {
    SetReceived(m, rx);
    m.decodedWord.fill(1); // so that positions the decoder should clear are seen
    c.decode(m.rxWord, m.decodedWord);
    return Slice(m.decodedWord, 1, c.n);
}

Bits InfoBits(int value, int k) {
    Bits b(static_cast<std::size_t>(k));
    for (int i = 0; i < k; ++i)
        b[i] = static_cast<std::uint8_t>((value >> i) & 1);
    return b;
}

// What a decoder other than the Golay one must deliver: the information bits, then zeros.
Bits Expected(const ShortCode &c, const Bits &codeword) {
    Bits e(static_cast<std::size_t>(c.n), 0);
    std::copy(codeword.begin(), codeword.begin() + c.k, e.begin());
    return e;
}

void ForEachPattern(int n, int maxWeight, const std::function<void(const std::vector<int> &)> &f) {
    std::vector<int> q;
    const std::function<void(int)> visit = [&](int from) {
        if (!q.empty())
            f(q);
        if (static_cast<int>(q.size()) == maxWeight)
            return;
        for (int p = from; p < n; ++p) {
            q.push_back(p);
            visit(p + 1);
            q.pop_back();
        }
    };
    visit(0);
}

TEST(KasamiRudolphDecoder, CorrectsEveryPatternOfUpToThreeErrors) {
    auto m = MakeModel();
    SetCyclicCode(*m, kGolay.g, 23, 12, 3, kGolay.type);
    m->random.seed = 5;
    std::vector<Bits> infos = {Bits(12, 0), Bits(12, 1)};
    for (int i = 0; i < 4; ++i)
        infos.push_back(RandomBits(*m, 12));
    for (const Bits &info : infos) {
        const Bits word = Encode(*m, info);
        // The corrected parity is handed on as well.
        EXPECT_EQ(Decode(*m, kGolay, word), word);
        int patterns = 0;
        ForEachPattern(23, 3, [&](const std::vector<int> &q) {
            Bits rx = word;
            for (const int p : q)
                rx[p] ^= 1;
            ASSERT_EQ(Decode(*m, kGolay, rx), word) << "errors at " << q[0] << "...";
            ++patterns;
        });
        EXPECT_EQ(patterns, 2047);
    }
}

TEST(MeggittDecoder, CorrectsSingleErrorsButNotDoubleOnes) {
    auto m = MakeModel();
    SetCyclicCode(*m, kHamming.g, 15, 11, 1, kHamming.type);
    for (int value = 0; value < 2048; ++value) {
        const Bits word = Encode(*m, InfoBits(value, 11));
        ASSERT_EQ(Decode(*m, kHamming, word), Expected(kHamming, word));
        for (int e = 0; e < 15; ++e) {
            Bits rx = word;
            rx[e] ^= 1;
            ASSERT_EQ(Decode(*m, kHamming, rx), Expected(kHamming, word)) << value << " " << e;
        }
    }
    // A correction empties the register, so two errors among the information bits always leave
    // at least one behind.
    const Bits word = Encode(*m, InfoBits(1234, 11));
    ForEachPattern(11, 2, [&](const std::vector<int> &q) {
        if (q.size() != 2)
            return;
        Bits rx = word;
        rx[q[0]] ^= 1;
        rx[q[1]] ^= 1;
        EXPECT_NE(Decode(*m, kHamming, rx), Expected(kHamming, word));
    });
}

TEST(ThresholdDecoder157, CorrectsEverySingleAndDoubleError) {
    auto m = MakeModel();
    SetCyclicCode(*m, kCode157.g, 15, 7, 2, kCode157.type);
    for (int value = 0; value < 128; ++value) {
        const Bits word = Encode(*m, InfoBits(value, 7));
        ASSERT_EQ(Decode(*m, kCode157, word), Expected(kCode157, word));
        int patterns = 0;
        ForEachPattern(15, 2, [&](const std::vector<int> &q) {
            Bits rx = word;
            for (const int p : q)
                rx[p] ^= 1;
            ASSERT_EQ(Decode(*m, kCode157, rx), Expected(kCode157, word)) << value;
            ++patterns;
        });
        EXPECT_EQ(patterns, 15 + 105);
    }
}

TEST(MajorityDecoder73, CorrectsEverySingleError) {
    auto m = MakeModel();
    SetCyclicCode(*m, kCode73.g, 7, 3, 1, kCode73.type);
    for (int value = 0; value < 8; ++value) {
        const Bits word = Encode(*m, InfoBits(value, 3));
        ASSERT_EQ(Decode(*m, kCode73, word), Expected(kCode73, word));
        for (int e = 0; e < 7; ++e) {
            Bits rx = word;
            rx[e] ^= 1;
            EXPECT_EQ(Decode(*m, kCode73, rx), Expected(kCode73, word)) << value << " " << e;
        }
    }
}

TEST(MajorityDecoder73, TwoAgainstTwoDecidesZero) {
    auto m = MakeModel();
    // r0 = 1, A = r1 ^ r3 = 1, B = r4 ^ r5 = 0, C = r2 ^ r6 = 0.
    EXPECT_EQ(Decode(*m, kCode73, {1, 1, 0, 0, 0, 0, 0})[0], 0);
    // Three of four decide 1.
    EXPECT_EQ(Decode(*m, kCode73, {1, 1, 1, 0, 0, 0, 0})[0], 1);
}

// Known answers: fixed seed, random information words, random error patterns of weight 0..4.
TEST(ShortCyclicDecoders, GoldenRuns) {
    const struct {
        const ShortCode *code;
        std::uint64_t hash;
        int correct;
    } golden[] = {
        {&kGolay, 959317592401928413u, 1709},
        {&kHamming, 2114298825649048079u, 892},
        {&kCode157, 13207681797126851462u, 1454},
        {&kCode73, 16269674328239605142u, 1213},
    };
    for (const auto &g : golden) {
        const ShortCode &c = *g.code;
        auto m = MakeModel();
        SetCyclicCode(*m, c.g, c.n, c.k, 1, c.type);
        m->random.seed = 12345;
        test::BitHash hash;
        int correct = 0;
        for (int word = 0; word < 2000; ++word) {
            const Bits info = RandomBits(*m, c.k);
            Bits rx = Encode(*m, info);
            const int errors = m->random.RandomInt(5);
            for (int e = 0; e < errors; ++e)
                rx[m->random.RandomInt(c.n)] ^= 1;
            const Bits out = Decode(*m, c, rx);
            for (const auto b : out)
                hash.Add(b);
            correct += Bits(out.begin(), out.begin() + c.k) == info;
        }
        EXPECT_EQ(hash.value, g.hash) << c.name;
        EXPECT_EQ(correct, g.correct) << c.name;
    }
}

} // namespace
} // namespace spi

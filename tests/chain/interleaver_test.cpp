#include "chain/interleaver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

namespace {

struct Built {
    bool ok;
    std::vector<int> order;
    spi::RecordingNotifier note;
    int wordCount;
};

Built Build(int n, int L, int A, int C) {
    auto m = spi::MakeModel();
    m->codeN = n;
    m->ilvL = L;
    m->ilvA = A;
    m->ilvC = C;
    Built b;
    b.ok = spi::BuildPermutation(*m, b.note);
    if (b.ok)
        b.order.assign(m->interleaverPerm.begin(), m->interleaverPerm.begin() + n * L);
    b.wordCount = m->wordCount;
    return b;
}

TEST(Interleaver, DefaultOrderShiftsByOne) {
    const auto b = Build(7, 1, 1, 1);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.order, (std::vector<int>{1, 2, 3, 4, 5, 0, 6}));
    EXPECT_TRUE(b.note.entries.empty());
}

TEST(Interleaver, CoprimeStepGivesAFullPermutation) {
    const auto b = Build(7, 3, 1, 13);
    ASSERT_TRUE(b.ok);
    std::vector<int> sorted = b.order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> expect(21);
    std::iota(expect.begin(), expect.end(), 0);
    EXPECT_EQ(sorted, expect);
    EXPECT_EQ(b.order.back(), 20);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(b.order[static_cast<std::size_t>(i)], ((i + 1) * 13) % 20);
}

TEST(Interleaver, RepeatedPositionIsRefused) {
    for (auto [n, L, A, C] :
         {std::array{7, 3, 1, 4}, std::array{7, 3, 1, 20}, std::array{7, 3, 1, 40}}) {
        const auto b = Build(n, L, A, C);
        EXPECT_FALSE(b.ok) << "C=" << C;
        EXPECT_EQ(b.wordCount, 0);
        ASSERT_EQ(b.note.entries.size(), 1u);
        EXPECT_EQ(b.note.entries[0].kind, spi::MessageKind::Warning);
        EXPECT_EQ(b.note.entries[0].text, spi::kInterleaverRefusal);
    }
}

TEST(Interleaver, ParametersOutsideTheRuleAreRefusedBeforeBuilding) {
    for (auto [n, L, A, C] :
         {std::array{1, 1, 1, 1}, std::array{7, 0, 1, 1}, std::array{2100, 3, 1, 1},
          std::array{7, 1, 0, 1}, std::array{7, 1, 1, -3}, std::array{7, -2, 1, 1}}) {
        const auto b = Build(n, L, A, C);
        EXPECT_FALSE(b.ok) << n << " " << L << " " << A << " " << C;
        EXPECT_EQ(b.wordCount, 0);
        EXPECT_TRUE(b.note.Has(spi::kInterleaverRefusal));
    }
}

TEST(Interleaver, LargestBlockAndLargeMultiplier) {
    const auto b = Build(1000, 5, 1, 3); // N-1 = 4999 is prime to 3
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.order.back(), 4999);
    const auto big = Build(7, 1, 2000000000, 2000000000); // no overflow in A*prev + C
    EXPECT_TRUE(big.ok || big.wordCount == 0);
}

} // namespace

namespace {

// Stretches expand back to the order they came from; orders of short stretches give none.
TEST(Interleaver, ReadOutRunsCoverTheOrder) {
    for (const auto &[n, L, C, stretches] : std::vector<std::tuple<int, int, int, bool>>{
             {255, 1, 1, true}, {2040, 1, 1, true}, {7, 1, 1, false}, {7, 3, 13, false}}) {
        const auto b = Build(n, L, 1, C);
        ASSERT_TRUE(b.ok);
        const std::vector<std::int32_t> perm(b.order.begin(), b.order.end());
        const auto runs = spi::ReadOutRuns(perm.data(), n * L);
        ASSERT_EQ(!runs.empty(), stretches) << n << " " << C;
        std::vector<int> expanded;
        for (const auto &r : runs) {
            for (int j = 0; j < r.length; ++j) {
                ASSERT_EQ(r.from + j, static_cast<int>(expanded.size()));
                expanded.push_back(r.to + j);
            }
        }
        if (stretches) {
            EXPECT_EQ(expanded, b.order);
        }
    }
}

} // namespace

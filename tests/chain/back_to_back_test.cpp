// Runs of different code types one after another on one model, as the windows make them: the
// work cells are shared between the decoder families and only partly cleared by a run's set-up,
// so every result is pinned here for the whole sequence, to the bit.
#include "chain/stat_runs.h"
#include "forms/channel_forms.h"
#include "forms/channel_step.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Step {
    int type, number; // number 0: the type's button alone
    std::vector<int> taps;
    std::uint64_t sums[2]; // structure ДК, РУ
};

// FNV-1a over the bytes of everything a run leaves for the report.
std::uint64_t ResultSum(const spi::ModelState &m) {
    std::uint64_t h = 1469598103934665603ULL;
    const auto add = [&h](const void *p, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            h ^= static_cast<const unsigned char *>(p)[i];
            h *= 1099511628211ULL;
        }
    };
    add(m.multBefore.data(), sizeof(double) * static_cast<std::size_t>(m.codeN + 1));
    add(m.multAfter.data(), sizeof(double) * static_cast<std::size_t>(m.codeK + 1));
    for (double x :
         {m.pErrIn, m.pErrInConf, m.pErrOut, m.pErrOutConf, m.wordErrProbAfter, m.rateWithCoder})
        add(&x, sizeof x);
    return h;
}

std::uint64_t RunStep(spi::ModelState &m, const Step &s, std::uint32_t seed) {
    spi::SilentNotifier quiet;
    spi::CoderSettings coder;
    std::string why;
    const std::optional<int> number = s.number ? std::optional<int>(s.number) : std::nullopt;
    if (s.type == 11) {
        m.codeType = 11;
    } else {
        EXPECT_TRUE(spi::ApplyCodeChoice(coder, m, quiet, s.type, number, &why)) << why;
        if (!s.taps.empty()) {
            EXPECT_TRUE(spi::ApplyTaps(coder, m, quiet, s.taps, &why)) << why;
        }
        if (s.type == 16)
            spi::ApplyInnerPolyList(coder, m, "1,2");
        EXPECT_TRUE(spi::AcceptCoderSettings(coder, m, quiet));
    }
    m.fixedSeed = seed;
    EXPECT_EQ(spi::RunStat2(m, quiet).outcome, spi::RunOutcome::Completed);
    return ResultSum(m);
}

const std::vector<int> kSet{31, 32};

TEST(BackToBack, EveryCodeTypeAfterTheOthersOnOneModel) {
    // The sums of today's engine; any change of a result, in any step, shows here.
    const Step steps[] = {
        {0, 15, {}, {0xf041ba16998b4874ULL, 0x05d273f09200d79aULL}},
        {1, 31, {}, {0x8f3ba5ad85f5721dULL, 0xed65ae8774a5b605ULL}},
        {2, 0, {}, {0x82225f864e755b58ULL, 0xc4ae2af2a8bd9bbdULL}},
        {3, 0, {}, {0xc4f0155f12ea242eULL, 0xf4788cf3c589b5bdULL}},
        {4, 0, {}, {0xfe0f84aba1fe305dULL, 0x61fa784bf7f87583ULL}},
        {5, 0, {}, {0xca845389eaf23159ULL, 0xfb63a507f760c943ULL}},
        {6, 0, {}, {0xf5167302e73960b1ULL, 0x44cdf5f96c26a003ULL}},
        {7, 0, kSet, {0x20bacec1c4d7137dULL, 0x016964da70248cceULL}},
        {8, 0, {}, {0xbf92c132727b5957ULL, 0x643e46c5a1f6ffb3ULL}},
        {9, 0, {}, {0xe0bad37dd3ec3ba7ULL, 0xec2cd3289863d792ULL}},
        {10, 0, {}, {0x9999071bcd6a4cedULL, 0x77e83dc28fc832d7ULL}},
        {11, 0, {}, {0x89d5f9353bb5abe6ULL, 0x14897818af6d133eULL}},
        {12, 0, kSet, {0x41bf0e5085795c4eULL, 0x788db51dd125029eULL}},
        {13, 1, {}, {0x9bc7fdeb76a02fd1ULL, 0x29cdc5800ac5d8ddULL}},
        {14, 10, {}, {0xa8b475726ca5368cULL, 0x003cdfe2ac1de6baULL}},
        {15, 0, kSet, {0xed7f518d1236b203ULL, 0x8190079530272031ULL}},
        {16, 0, kSet, {0x1d987c6518c6e5ccULL, 0xe02182deb7fd97b9ULL}},
        {17, 1, {}, {0xd1a951429fb759baULL, 0x68bb13930b9c1412ULL}},
        {18, 12, {}, {0xe67fb6c5ff72318dULL, 0xa0b26e660b3a402eULL}},
        {5, 0, {}, {0xd580ecb671e8813bULL, 0xe76dd5b57a8350d5ULL}},
        {8, 0, {}, {0xf553f083532d34e7ULL, 0x01ab5a0c3fbb43e6ULL}},
        {1, 31, {}, {0xaa536bcf02914d7cULL, 0x89a15942ab0ad45fULL}},
        {16, 0, kSet, {0x1cbf2d3f472d8d20ULL, 0xbcf5c9c50fc3399fULL}},
        {0, 15, {}, {0xb1a80bb88b5649ceULL, 0x5670e9d81cf17ffbULL}},
        {14, 10, {}, {0x83302e02e7214d0cULL, 0xafff2113aa046d99ULL}},
    };
    for (const int structure : {1, 2}) {
        auto m = spi::MakeModel();
        spi::SilentNotifier quiet;
        m->channelType = static_cast<std::uint8_t>(structure);
        m->wordCount = 1500;
        m->contHp = 6;
        ASSERT_TRUE(spi::AcceptChannelStep(*m, quiet));
        std::uint32_t seed = 100;
        for (const Step &s : steps) {
            EXPECT_EQ(RunStep(*m, s, ++seed), s.sums[structure - 1])
                << "structure " << structure << ", step " << seed - 100 << ", type " << s.type;
        }
    }
}

} // namespace

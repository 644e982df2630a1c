// Whole "Стат2" chains for every code family, chosen as the coder window chooses them.
#include "chain/stat_runs.h"
#include "coding/code_setup.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct Choice {
    const char *name;
    int type;
    std::optional<int> number;
    std::vector<int> taps;
    const char *innerList = nullptr;
};

// A model whose discrete channel makes independent errors with probability p.
std::unique_ptr<spi::ModelState> Chain(const Choice &c, double p, std::uint32_t seed) {
    auto m = spi::MakeModel();
    spi::SilentNotifier quiet;
    m->channelType = 1;
    m->channelEntered = 1;
    m->discParams = {0.4, 0.4, 0.2, p, p, p, 0.9, 0.1, 0.1, 0.85, 0.05, 0.1, 0.9, p, 0};
    spi::CoderSettings window;
    std::string why;
    EXPECT_TRUE(spi::ApplyCodeChoice(window, *m, quiet, c.type, c.number, &why))
        << c.name << ": " << why;
    if (!c.taps.empty()) {
        EXPECT_TRUE(spi::ApplyTaps(window, *m, quiet, c.taps, &why)) << c.name << ": " << why;
    }
    if (c.innerList)
        spi::ApplyInnerPolyList(window, *m, c.innerList);
    EXPECT_TRUE(spi::AcceptCoderSettings(window, *m, quiet)) << c.name;
    if (spi::IsNonBinaryCodeType(m->codeType))
        spi::SetUpNonBinaryCode(*m, *m, quiet);
    m->fixedSeed = seed;
    return m;
}

const std::vector<Choice> &Choices() {
    static const std::vector<Choice> choices = {
        {"cyclic, syndrome decoder (63,45)", 0, 15, {}},
        {"convolutional R=1/2, taps 0,2,5,6", 1, 31, {}},
        {"Golay (23,12)", 2, std::nullopt, {}},
        {"(15,11) Meggitt", 3, std::nullopt, {}},
        {"(15,7) threshold", 4, std::nullopt, {}},
        {"(7,3) majority", 5, std::nullopt, {}},
        {"convolutional (10,5)", 6, std::nullopt, {}},
        {"convolutional R=1/3", 7, std::nullopt, {31, 32}},
        {"Viterbi (24,12)", 8, std::nullopt, {}},
        {"Viterbi (36,24)", 9, std::nullopt, {}},
        {"Viterbi (32,24)", 10, std::nullopt, {}},
        {"cascade Viterbi 1/2 + threshold", 12, std::nullopt, {31}},
        {"cascade Viterbi 1/3 + threshold", 15, std::nullopt, {31}},
        {"cascade threshold + threshold", 16, std::nullopt, {31}, "1"},
        {"Reed-Solomon (15,9), АБМВ", 13, 2, {}},
        {"Reed-Solomon (255,239), АБМЧ", 18, 12, {}},
        {"cascade Viterbi 1/2 + Reed-Solomon (31,27)", 17, 4, {}},
        {"BCH (63,45)", 14, 15, {}},
        {"BCH (255,191)", 14, 50, {}},
    };
    return choices;
}

TEST(Chain, ErrorFreeChannelDeliversEveryWordForEveryCodeFamily) {
    for (const auto &c : Choices()) {
        auto m = Chain(c, 0.0, 7);
        m->wordCount = 600;
        spi::RecordingNotifier note;
        const auto r = spi::RunStat2(*m, note);
        ASSERT_EQ(r.outcome, spi::RunOutcome::Completed)
            << c.name << (note.entries.empty() ? "" : ": " + note.entries[0].text);
        EXPECT_EQ(m->multAfter[0], 1.0) << c.name;
        EXPECT_EQ(m->pErrOut, 0.0) << c.name;
    }
}

TEST(Chain, EveryCodeFamilyReducesAModerateErrorRate) {
    for (const auto &c : Choices()) {
        // Low enough that even RS(255,239), whose symbols gather eight bits, sees few symbol
        // errors.
        const double p = 0.002;
        auto m = Chain(c, p, 11);
        m->wordCount = 4000;
        spi::SilentNotifier quiet;
        ASSERT_EQ(spi::RunStat2(*m, quiet).outcome, spi::RunOutcome::Completed) << c.name;
        EXPECT_LT(m->pErrOut, p / 2) << c.name;
        // For the cascades the statistics before decoding count what the inner code left.
        if (c.type == 12 || c.type == 15 || c.type == 16 || c.type == 17) {
            EXPECT_LT(m->pErrIn, p) << c.name;
        }
    }
}

TEST(Chain, SameSeedRepeatsForEveryCodeFamily) {
    for (const auto &c : Choices()) {
        auto a = Chain(c, 0.02, 99), b = Chain(c, 0.02, 99);
        a->wordCount = b->wordCount = 500;
        spi::SilentNotifier quiet;
        spi::RunStat2(*a, quiet);
        spi::RunStat2(*b, quiet);
        EXPECT_EQ(a->multAfter, b->multAfter) << c.name;
        EXPECT_EQ(a->multBefore, b->multBefore) << c.name;
    }
}

} // namespace

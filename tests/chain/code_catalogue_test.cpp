// The code catalogue against the predicates it replaced, and its bounded-distance claims against
// the decoders the dispatch runs.
#include "chain/code_dispatch.h"
#include "chain/source_stats.h"
#include "forms/coder_settings.h"
#include "model/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace spi {
namespace {

// The facts as the code stated them, type by type, before the catalogue; kept here as the
// reference the catalogue must reproduce.
constexpr std::array<int, 19> kOldEncoderFamily = {1, 2, 1, 1, 1, 1, 2, 3, 4, 4,
                                                   4, 0, 3, 5, 6, 3, 3, 5, 5};
constexpr std::array<int, 19> kOldReferenceMode = {1, 2, 1, 1, 1, 1, 2, 2, 2, 2,
                                                   2, 0, 2, 1, 1, 2, 2, 1, 1};
constexpr std::array<int, 9> kOldCyclicPanel{0, 2, 3, 4, 5, 14, 13, 18, 17};
constexpr std::array<int, 9> kOldConvolutionalPanel{7, 1, 6, 8, 9, 10, 12, 15, 16};
using RS = ReportSection;
constexpr std::array<RS, 19> kOldSection = {
    RS::Cyclic,        RS::Convolutional, RS::Cyclic,        RS::Cyclic,        RS::Cyclic,
    RS::Cyclic,        RS::Convolutional, RS::Convolutional, RS::Convolutional, RS::Convolutional,
    RS::Convolutional, RS::None,          RS::Concatenated,  RS::ReedSolomon,   RS::Cyclic,
    RS::Concatenated,  RS::Concatenated,  RS::Concatenated,  RS::ReedSolomon,
};

Decoder OldDecoder(int t) {
    switch (t) {
    case 0:
        return Decoder::Syndrome;
    case 1:
        return Decoder::ConvHalf;
    case 2:
        return Decoder::KasamiRudolph;
    case 3:
        return Decoder::Meggitt;
    case 4:
        return Decoder::Threshold157;
    case 5:
        return Decoder::Majority73;
    case 6:
        return Decoder::Conv105;
    case 7:
    case 12:
    case 15:
    case 16:
        return Decoder::ConvK0N0;
    case 8:
    case 9:
    case 10:
        return Decoder::Viterbi;
    case 13:
        return Decoder::Abmv;
    case 14:
        return Decoder::Bch;
    case 17:
    case 18:
        return Decoder::Abmch;
    default:
        return Decoder::None;
    }
}

InnerCode OldInner(int t) {
    return t == 12   ? InnerCode::ViterbiHalf12
           : t == 15 ? InnerCode::ViterbiThird12
           : t == 16 ? InnerCode::ThresholdSet
           : t == 17 ? InnerCode::ViterbiHalfRsSym
                     : InnerCode::None;
}

int OldStream(int t, int setSize) {
    return t == 12 || t == 17 ? 2 : t == 15 ? 3 : t == 16 ? setSize : 1;
}

int OldNumberLast(int t) {
    const bool nonBinary = t == 13 || t == 17 || t == 18;
    return t == 1 ? 170 : t == 0 ? 87 : t == 14 ? 76 : nonBinary ? 13 : 0;
}

int At(const auto &table, int t) {
    return t >= 0 && t < 19 ? static_cast<int>(table[static_cast<std::size_t>(t)]) : 0;
}

struct Fact {
    const char *name;
    std::function<int(int)> old, now;
};

TEST(CodeCatalogue, StatesWhatTheCodeStatedTypeByType) {
    const auto row = [](int t) -> const CodeTypeFacts & { return CodeTypeRow(t); };
    const auto in = [](int t, std::initializer_list<int> types) {
        return std::find(types.begin(), types.end(), t) != types.end();
    };
    const auto slot = [](const auto &panel, int t) {
        const auto at = std::find(panel.begin(), panel.end(), t);
        return at == panel.end() ? -1 : static_cast<int>(at - panel.begin());
    };
    const std::vector<Fact> facts = {
        {"family", [](int t) { return At(kOldEncoderFamily, t); },
         [&](int t) { return static_cast<int>(row(t).family); }},
        {"reference", [](int t) { return At(kOldReferenceMode, t); },
         [&](int t) { return static_cast<int>(row(t).reference); }},
        {"decoder", [](int t) { return static_cast<int>(OldDecoder(t)); },
         [&](int t) { return static_cast<int>(row(t).decoder); }},
        {"button", [](int t) { return t >= 0 && t <= 18 && t != 11 ? (t <= 10 ? t + 1 : t) : 0; },
         [&](int t) { return static_cast<int>(row(t).button); }},
        {"cyclic panel slot", [&](int t) { return slot(kOldCyclicPanel, t); },
         [&](int t) { return slot(PanelButtonTypes(CoderPanel::Cyclic), t); }},
        {"convolutional panel slot", [&](int t) { return slot(kOldConvolutionalPanel, t); },
         [&](int t) { return slot(PanelButtonTypes(CoderPanel::Convolutional), t); }},
        {"polynomial set",
         [&](int t) {
             return in(t, {7, 12, 15, 16});
         },
         IsPolynomialSetType},
        {"non-binary",
         [&](int t) {
             return in(t, {13, 17, 18});
         },
         IsNonBinaryCodeType},
        {"concatenated",
         [&](int t) {
             return in(t, {12, 15, 16, 17});
         },
         IsConcatenatedType},
        {"inner code", [](int t) { return static_cast<int>(OldInner(t)); },
         [&](int t) { return static_cast<int>(row(t).inner); }},
        {"stream, set of 5", [](int t) { return OldStream(t, 5); },
         [](int t) { return ChannelBitsPerInfoBit(t, 5); }},
        {"iterative threshold",
         [&](int t) {
             return in(t, {1, 7, 12, 15, 16});
         },
         [&](int t) { return row(t).iterativeThreshold; }},
        {"no parity",
         [&](int t) {
             return in(t, {8, 13, 14, 17, 18});
         },
         [&](int t) { return row(t).noParity; }},
        {"zero preset",
         [&](int t) {
             return in(t, {6, 8, 9, 10});
         },
         [&](int t) { return row(t).zeroPreset; }},
        {"viterbi period", [](int t) { return t == 8    ? 1
                                              : t == 9  ? 2
                                              : t == 10 ? 3
                                                        : 0; },
         [&](int t) { return static_cast<int>(row(t).viterbiPeriod); }},
        {"Cm counts iterations",
         [&](int t) {
             return in(t, {1, 6, 7, 8, 9, 10, 12, 15, 16});
         },
         IsConvolutionalType},
        {"number range", OldNumberLast, [&](int t) { return static_cast<int>(row(t).numberLast); }},
        {"number from taps", [](int t) { return t == 1; },
         [&](int t) { return row(t).numberTable == NumberTable::Taps; }},
        {"number from bch rows", [](int t) { return t == 0 || t == 14; },
         [&](int t) { return row(t).numberTable == NumberTable::Bch; }},
        {"counts detected words", [](int t) { return t == 0; }, CountsDetectedWords},
        {"report section", [](int t) { return At(kOldSection, t); },
         [&](int t) { return static_cast<int>(row(t).report); }},
    };
    for (int t = -1; t <= 20; ++t)
        for (const Fact &f : facts)
            EXPECT_EQ(f.now(t), f.old(t)) << f.name << " of type " << t;
}

// Every type the catalogue calls bounded-distance, set up as the window does: random words with
// t distinct bits flipped come back as sent. A claim without a set-up here fails.
TEST(CodeCatalogue, BoundedDistanceDecodersCorrectEveryTErrors) {
    struct Case {
        int type, number; // number 0: the button alone
    };
    const Case cases[] = {{0, 4},  {0, 9},  {0, 14}, {2, 0},   {3, 0},  {4, 0},  {5, 0},
                          {13, 1}, {13, 7}, {14, 9}, {14, 40}, {18, 3}, {18, 12}};
    Random rng{2718};
    for (int type = 0; type < kCodeTypes; ++type) {
        const CodeTypeFacts &facts = CodeTypeRow(type);
        bool covered = false;
        for (const Case &c : cases) {
            if (c.type != type)
                continue;
            covered = true;
            SCOPED_TRACE("type " + std::to_string(type) + " number " + std::to_string(c.number));
            auto m = MakeModel();
            SilentNotifier quiet;
            CoderSettings coder;
            const auto number = c.number ? std::optional<int>(c.number) : std::nullopt;
            ASSERT_TRUE(ApplyCodeChoice(coder, *m, quiet, type, number, nullptr));
            ASSERT_TRUE(AcceptCoderSettings(coder, *m, quiet));
            const int n = m->codeN, k = m->codeK;
            const int t = facts.bounded == BoundedT::CodeT ? m->codeT : facts.fixedT;
            ASSERT_GT(t, 0);
            PrepareTestRun(*m, n, k, m->convN0, type, 1, m->convK0);
            const CodecEntry codec = CodecFor(type);
            for (long long word = 1; word <= 200; ++word) {
                std::vector<int> at;
                for (int i = 1; i <= k; ++i)
                    m->infoWord[i] = static_cast<std::uint8_t>(rng.RandomInt(2));
                codec.encode(*m);
                std::copy(m->codeWord.begin(), m->codeWord.begin() + n + 1, m->rxWord.begin());
                while (static_cast<int>(at.size()) < t) {
                    const int p = 1 + rng.RandomInt(n);
                    if (std::find(at.begin(), at.end(), p) == at.end())
                        at.push_back(p);
                }
                for (int p : at)
                    m->rxWord[p] ^= 1;
                codec.decode(*m, word);
                ASSERT_TRUE(std::equal(m->infoWord.begin() + 1, m->infoWord.begin() + k + 1,
                                       m->decodedWord.begin() + 1))
                    << "word " << word;
            }
        }
        EXPECT_EQ(covered, facts.bounded != BoundedT::No) << "type " << type;
    }
}

} // namespace
} // namespace spi

// The code catalogue against the predicates it replaced, and its bounded-distance claims against
// the decoders the dispatch runs.
#include "chain/code_dispatch.h"
#include "chain/source_stats.h"
#include "forms/coder_settings.h"
#include "model/random.h"
#include "research/code_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
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

int At(const auto &table, int t) {
    return t >= 0 && t < 19 ? static_cast<int>(table[static_cast<std::size_t>(t)]) : 0;
}

int Slot(std::span<const int> panel, int t) {
    const auto at = std::find(panel.begin(), panel.end(), t);
    return at == panel.end() ? -1 : static_cast<int>(at - panel.begin());
}

// One value per fact, named by kFactNames; the stream is asked for with an inner set of 5.
constexpr std::array<const char *, 21> kFactNames = {
    "family",         "reference",          "decoder",         "button",
    "cyclic slot",    "convolutional slot", "polynomial set",  "non-binary",
    "concatenated",   "inner code",         "stream",          "iterative threshold",
    "no parity",      "zero preset",        "viterbi period",  "Cm counts iterations",
    "number range",   "number from taps",   "number from bch", "counts detected words",
    "report section",
};
using Facts = std::array<int, kFactNames.size()>;

Facts OldFacts(int t) {
    const auto in = [t](std::initializer_list<int> types) {
        return std::find(types.begin(), types.end(), t) != types.end() ? 1 : 0;
    };
    const bool nonBinary = in({13, 17, 18});
    return {At(kOldEncoderFamily, t),
            At(kOldReferenceMode, t),
            static_cast<int>(OldDecoder(t)),
            t >= 0 && t <= 18 && t != 11 ? (t <= 10 ? t + 1 : t) : 0,
            Slot(kOldCyclicPanel, t),
            Slot(kOldConvolutionalPanel, t),
            in({7, 12, 15, 16}),
            nonBinary,
            in({12, 15, 16, 17}),
            static_cast<int>(OldInner(t)),
            t == 12 || t == 17 ? 2
            : t == 15          ? 3
            : t == 16          ? 5
                               : 1,
            in({1, 7, 12, 15, 16}),
            in({8, 13, 14, 17, 18}),
            in({6, 8, 9, 10}),
            t == 8    ? 1
            : t == 9  ? 2
            : t == 10 ? 3
                      : 0,
            in({1, 6, 7, 8, 9, 10, 12, 15, 16}),
            t == 1      ? 170
            : t == 0    ? 87
            : t == 14   ? 76
            : nonBinary ? 13
                        : 0,
            t == 1,
            t == 0 || t == 14,
            t == 0,
            At(kOldSection, t)};
}

Facts CatalogueFacts(int t) {
    const CodeTypeFacts &r = CodeTypeRow(t);
    return {static_cast<int>(r.family),
            static_cast<int>(r.reference),
            static_cast<int>(r.decoder),
            r.button,
            Slot(PanelButtonTypes(CoderPanel::Cyclic), t),
            Slot(PanelButtonTypes(CoderPanel::Convolutional), t),
            IsPolynomialSetType(t),
            IsNonBinaryCodeType(t),
            IsConcatenatedType(t),
            static_cast<int>(r.inner),
            ChannelBitsPerInfoBit(t, 5),
            r.iterativeThreshold,
            r.noParity,
            r.zeroPreset,
            r.viterbiPeriod,
            IsConvolutionalType(t),
            r.numberLast,
            r.numberTable == NumberTable::Taps,
            r.numberTable == NumberTable::Bch,
            CountsDetectedWords(t),
            static_cast<int>(r.report)};
}

TEST(CodeCatalogue, StatesWhatTheCodeStatedTypeByType) {
    for (int t = -1; t <= 20; ++t) {
        const Facts old = OldFacts(t), now = CatalogueFacts(t);
        for (std::size_t i = 0; i < old.size(); ++i)
            EXPECT_EQ(now[i], old[i]) << kFactNames[i] << " of type " << t;
    }
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

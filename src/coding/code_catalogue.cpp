#include "coding/code_catalogue.h"

#include <array>

namespace spi {

namespace {

using enum EncoderFamily;
using RM = ReferenceMode;
using D = Decoder;
using P = CoderPanel;
using I = InnerCode;
using NT = NumberTable;
using RS = ReportSection;
using BT = BoundedT;

// Bounded-distance: the decoder corrects every pattern of at most t bit errors in a word, as the
// decoder tests show by flipping every (or random) sets of t bits. The convolutional decoders
// correct isolated errors only with error-free words around them (their check sums and trellis
// span neighbouring words), and type 17's channel errors reach its outer decoder through the inner
// Viterbi decoder, which can spread them: none of these has a t of its own.
//
// In the caption of type 14 the last letter of its first word is a Latin e, and the caption of
// type 13 ends in a blank: the captions are the system's own texts.
constexpr std::array<CodeTypeFacts, kCodeTypes> kCatalogue{{
    // 0: t = Cm, which the window caps at the 5 errors the syndrome search tries.
    {.family = Cyclic,
     .reference = RM::SameWord,
     .decoder = D::Syndrome,
     .button = 1,
     .panel = P::Cyclic,
     .panelSlot = 0,
     .caption = "Циклические (n,k) коды, синдромный декодер(см. помощь TabCycle)",
     .numberLast = 87,
     .numberTable = NT::Bch,
     .report = RS::Cyclic,
     .bounded = BT::CodeT},
    // 1
    {.family = ConvHalf,
     .reference = RM::PreviousWord,
     .decoder = D::ConvHalf,
     .button = 2,
     .panel = P::Convolutional,
     .panelSlot = 1,
     .caption = "Свёрточный (n,k) код, R=1/2, пороговый итерационный декодер",
     .iterativeThreshold = true,
     .numberLast = 170,
     .numberTable = NT::Taps,
     .report = RS::Convolutional},
    // 2
    {.family = Cyclic,
     .reference = RM::SameWord,
     .decoder = D::KasamiRudolph,
     .button = 3,
     .panel = P::Cyclic,
     .panelSlot = 1,
     .caption = "Циклический код (23,12), декодер Касами-Рудольфа",
     .report = RS::Cyclic,
     .bounded = BT::Fixed,
     .fixedT = 3},
    // 3
    {.family = Cyclic,
     .reference = RM::SameWord,
     .decoder = D::Meggitt,
     .button = 4,
     .panel = P::Cyclic,
     .panelSlot = 2,
     .caption = "Циклический код (15,11), декодер Меггита",
     .report = RS::Cyclic,
     .bounded = BT::Fixed,
     .fixedT = 1},
    // 4
    {.family = Cyclic,
     .reference = RM::SameWord,
     .decoder = D::Threshold157,
     .button = 5,
     .panel = P::Cyclic,
     .panelSlot = 3,
     .caption = "Циклический код (15,7), пороговый декодер",
     .report = RS::Cyclic,
     .bounded = BT::Fixed,
     .fixedT = 2},
    // 5
    {.family = Cyclic,
     .reference = RM::SameWord,
     .decoder = D::Majority73,
     .button = 6,
     .panel = P::Cyclic,
     .panelSlot = 4,
     .caption = "Циклический код (7,3), мажоритарный декодер",
     .report = RS::Cyclic,
     .bounded = BT::Fixed,
     .fixedT = 1},
    // 6
    {.family = ConvHalf,
     .reference = RM::PreviousWord,
     .decoder = D::Conv105,
     .button = 7,
     .panel = P::Convolutional,
     .panelSlot = 2,
     .caption = "Свёрточный код (10,5), пороговый декодер",
     .zeroPreset = true,
     .report = RS::Convolutional},
    // 7
    {.family = ConvK0N0,
     .reference = RM::PreviousWord,
     .decoder = D::ConvK0N0,
     .button = 8,
     .panel = P::Convolutional,
     .panelSlot = 0,
     .caption = "Свёрточный (n,k) код, R=k0/n0; пороговый итерационный декодер",
     .polynomialSet = true,
     .iterativeThreshold = true,
     .report = RS::Convolutional},
    // 8
    {.family = ConvViterbi,
     .reference = RM::PreviousWord,
     .decoder = D::Viterbi,
     .button = 9,
     .panel = P::Convolutional,
     .panelSlot = 3,
     .caption = "Свёрточный код (24,12), R=1/2,  декодер Витерби",
     .noParity = true,
     .zeroPreset = true,
     .viterbiPeriod = 1,
     .report = RS::Convolutional},
    // 9
    {.family = ConvViterbi,
     .reference = RM::PreviousWord,
     .decoder = D::Viterbi,
     .button = 10,
     .panel = P::Convolutional,
     .panelSlot = 4,
     .caption = "Свёрточный код (36,24), R=2/3,  декодер Витерби",
     .zeroPreset = true,
     .viterbiPeriod = 2,
     .report = RS::Convolutional},
    // 10
    {.family = ConvViterbi,
     .reference = RM::PreviousWord,
     .decoder = D::Viterbi,
     .button = 11,
     .panel = P::Convolutional,
     .panelSlot = 5,
     .caption = "Свёрточный код (32,24), R=3/4,  декодер Витерби",
     .zeroPreset = true,
     .viterbiPeriod = 3,
     .report = RS::Convolutional},
    {}, // 11: no coder
    // 12
    {.family = ConvK0N0,
     .reference = RM::PreviousWord,
     .decoder = D::ConvK0N0,
     .button = 12,
     .panel = P::Convolutional,
     .panelSlot = 6,
     .caption = "Каскад: Свёрт.код R=1/2, дек.Витерби; Свёрт.код R=k0/n0, итер.дек.",
     .polynomialSet = true,
     .inner = I::ViterbiHalf12,
     .stream = 2,
     .iterativeThreshold = true,
     .report = RS::Concatenated},
    // 13
    {.family = NonBinary,
     .reference = RM::SameWord,
     .decoder = D::Abmv,
     .button = 13,
     .panel = P::Cyclic,
     .panelSlot = 6,
     .caption = "Циклические недвоичные (n,k) коды, декодер АБМВ (в т.ч. коды РС) ",
     .nonBinary = true,
     .noParity = true,
     .numberLast = 13,
     .numberTable = NT::NonBinary,
     .report = RS::ReedSolomon,
     .bounded = BT::CodeT},
    // 14
    {.family = Bch,
     .reference = RM::SameWord,
     .decoder = D::Bch,
     .button = 14,
     .panel = P::Cyclic,
     .panelSlot = 5,
     .caption = "Циклическиe (n,k) коды, декодер АБМВ (см.помощь TabCycle)",
     .noParity = true,
     .numberLast = 76,
     .numberTable = NT::Bch,
     .report = RS::Cyclic,
     .bounded = BT::CodeT},
    // 15
    {.family = ConvK0N0,
     .reference = RM::PreviousWord,
     .decoder = D::ConvK0N0,
     .button = 15,
     .panel = P::Convolutional,
     .panelSlot = 7,
     .caption = "Каскад: Свёрт.код R=1/3, дек.Витерби;  Свёрт.код R=n0/k0, дек. ИП",
     .polynomialSet = true,
     .inner = I::ViterbiThird12,
     .stream = 3,
     .iterativeThreshold = true,
     .report = RS::Concatenated},
    // 16
    {.family = ConvK0N0,
     .reference = RM::PreviousWord,
     .decoder = D::ConvK0N0,
     .button = 16,
     .panel = P::Convolutional,
     .panelSlot = 8,
     .caption = "Каскад: Свёрт.код R=k0/n0, дек.ИП; Свёрт.код R=k0/n0, дек.ИП.",
     .polynomialSet = true,
     .inner = I::ThresholdSet,
     .stream = 0,
     .iterativeThreshold = true,
     .report = RS::Concatenated},
    // 17
    {.family = NonBinary,
     .reference = RM::SameWord,
     .decoder = D::Abmch,
     .button = 17,
     .panel = P::Cyclic,
     .panelSlot = 8,
     .caption = "Каскад: Свёрт.код R=1/2,дек.Витерби; код РС (n,k), дек. АБМЧ",
     .nonBinary = true,
     .inner = I::ViterbiHalfRsSym,
     .stream = 2,
     .noParity = true,
     .numberLast = 13,
     .numberTable = NT::NonBinary,
     .report = RS::Concatenated},
    // 18
    {.family = NonBinary,
     .reference = RM::SameWord,
     .decoder = D::Abmch,
     .button = 18,
     .panel = P::Cyclic,
     .panelSlot = 7,
     .caption = "Циклические недвоичные (n,k) коды, декодер АБМЧ (в т.ч. коды РС)",
     .nonBinary = true,
     .noParity = true,
     .numberLast = 13,
     .numberTable = NT::NonBinary,
     .report = RS::ReedSolomon,
     .bounded = BT::CodeT},
}};

constexpr CodeTypeFacts kNoCode{};

template <CoderPanel Panel> constexpr auto ButtonsOf() {
    constexpr auto onPanel = [](const CodeTypeFacts &f) {
        return f.button != 0 && f.panel == Panel;
    };
    constexpr std::size_t count = [&] {
        std::size_t c = 0;
        for (const auto &f : kCatalogue)
            c += onPanel(f) ? 1 : 0;
        return c;
    }();
    std::array<int, count> types{};
    for (int t = 0; t < kCodeTypes; ++t)
        if (onPanel(kCatalogue[static_cast<std::size_t>(t)]))
            types[kCatalogue[static_cast<std::size_t>(t)].panelSlot] = t;
    return types;
}

constexpr auto kCyclicButtons = ButtonsOf<CoderPanel::Cyclic>();
constexpr auto kConvolutionalButtons = ButtonsOf<CoderPanel::Convolutional>();

} // namespace

const CodeTypeFacts &CodeTypeRow(int codeType) {
    return codeType >= 0 && codeType < kCodeTypes ? kCatalogue[static_cast<std::size_t>(codeType)]
                                                  : kNoCode;
}

std::span<const int> PanelButtonTypes(CoderPanel panel) {
    switch (panel) {
    case CoderPanel::Cyclic:
        return kCyclicButtons;
    case CoderPanel::Convolutional:
        return kConvolutionalButtons;
    case CoderPanel::Selection:
        break;
    }
    return {};
}

bool IsConvolutionalType(int codeType) {
    const EncoderFamily f = CodeTypeRow(codeType).family;
    return f == ConvHalf || f == ConvK0N0 || f == ConvViterbi;
}

int ChannelBitsPerInfoBit(int codeType, int setSize) {
    const int stream = CodeTypeRow(codeType).stream;
    return stream == 0 ? setSize : stream;
}

} // namespace spi

// Everything the system knows about a code type (codeType 0..18) in one row: how it is encoded and
// decoded, what the run prepares for it, where its button sits in the coder window, which section
// of the report describes it. The code that acts on a type asks this table instead of naming type
// numbers; only the chain's dispatch maps the encoder family and the decoder to functions.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace spi {

inline constexpr int kCodeTypes = 19;

enum class EncoderFamily : std::uint8_t {
    None = 0,
    Cyclic = 1,
    ConvHalf = 2,    // convolutional R=1/2, one polynomial
    ConvK0N0 = 3,    // convolutional R=k0/n0, a set of polynomials
    ConvViterbi = 4, // convolutional for Viterbi decoding, punctured
    NonBinary = 5,   // non-binary cyclic (Reed-Solomon)
    Bch = 6,
};

// Which source word the decoded word is compared with.
enum class ReferenceMode : std::uint8_t {
    None = 0,
    SameWord = 1,     // the word itself
    PreviousWord = 2, // the previous word: one word of decoding delay
};

enum class Decoder : std::uint8_t {
    None,
    Syndrome,      // syndrome-matrix search of up to Cm errors
    ConvHalf,      // iterative threshold, R=1/2
    KasamiRudolph, // (23,12)
    Meggitt,       // (15,11)
    Threshold157,  // (15,7)
    Majority73,    // (7,3)
    Conv105,       // threshold, the (10,5) convolutional code
    ConvK0N0,      // iterative threshold, R=k0/n0
    Viterbi,
    Abmv,  // Berlekamp-Massey with Forney's values (АБМВ)
    Bch,   // АБМВ over the binary BCH code
    Abmch, // Berlekamp-Massey with Chien's search (АБМЧ)
};

// The three panels of the coder window lie on top of each other; the selection panel holds no
// buttons.
enum class CoderPanel : std::uint8_t { Cyclic, Convolutional, Selection };

// The inner code of a concatenated type, which runs between the channel and the outer decoder.
enum class InnerCode : std::uint8_t {
    None,
    ViterbiHalf12,    // R=1/2 with Viterbi decoding, blocks of 12
    ViterbiThird12,   // punctured R=1/3 with Viterbi decoding, blocks of 12
    ThresholdSet,     // R=1/c of the listed tap rows, threshold decoding, blocks of the set's step
    ViterbiHalfRsSym, // R=1/2 with Viterbi decoding, blocks matched to the Reed-Solomon symbols
};

// Where the polynomial number field of the coder window takes the code from.
enum class NumberTable : std::uint8_t { None, Taps, Bch, NonBinary };

enum class ReportSection : std::uint8_t { None, Cyclic, Convolutional, Concatenated, ReedSolomon };

// How a bounded-distance decoder's t is obtained.
enum class BoundedT : std::uint8_t {
    No,    // not bounded-distance: what it corrects depends on more than the error count
    CodeT, // t is codeT, which the code's set-up fills with the code's power
    Fixed, // t is fixedT
};

struct CodeTypeFacts {
    EncoderFamily family = EncoderFamily::None;
    ReferenceMode reference = ReferenceMode::None;
    Decoder decoder = Decoder::None;
    // The coder window's radio button: its number in the widget names (0: no button), its panel
    // and its place in that panel's list, and its caption.
    std::uint8_t button = 0;
    CoderPanel panel = CoderPanel::Convolutional;
    std::uint8_t panelSlot = 0;
    std::string_view caption;
    bool polynomialSet = false; // a set of convolutional polynomials, chosen in the selection panel
    bool nonBinary = false;
    InnerCode inner = InnerCode::None;
    // Channel bits per information bit; 0 stands for the size of the inner set, known once the
    // set has been read.
    std::uint8_t stream = 1;
    // What PrepareTestRun prepares: iterativeThreshold marks the iterative threshold decoders,
    // whose Cm counts passes and whose parity columns are sized by n0; noParity clears no parity
    // columns at all; zeroPreset starts infoWord as zeros instead of ones.
    bool iterativeThreshold = false;
    bool noParity = false;
    bool zeroPreset = false;
    std::uint8_t viterbiPeriod = 0; // puncturing period of a Viterbi type, 0 for the others
    // The polynomial number field: 1..numberLast from numberTable (0: the type takes no number).
    std::uint8_t numberLast = 0;
    NumberTable numberTable = NumberTable::None;
    ReportSection report = ReportSection::None;
    BoundedT bounded = BoundedT::No;
    std::uint8_t fixedT = 0;
};

// The row of a code type; a type outside 0..18 gets a row that selects nothing, like type 11.
const CodeTypeFacts &CodeTypeRow(int codeType);

// The types whose buttons a panel of the coder window lists, in the panel's order.
std::span<const int> PanelButtonTypes(CoderPanel panel);

inline bool IsPolynomialSetType(int codeType) {
    return CodeTypeRow(codeType).polynomialSet;
}
inline bool IsNonBinaryCodeType(int codeType) {
    return CodeTypeRow(codeType).nonBinary;
}
inline bool IsConcatenatedType(int codeType) {
    return CodeTypeRow(codeType).inner != InnerCode::None;
}
inline bool IsViterbiType(int codeType) {
    return CodeTypeRow(codeType).viterbiPeriod != 0;
}
// The syndrome decoder counts the words it cannot explain: wordErrProbAfter is then their share,
// the detection probability, not the share of words in error.
inline bool CountsDetectedWords(int codeType) {
    return CodeTypeRow(codeType).decoder == Decoder::Syndrome;
}
// The convolutional types, whose Cm is an iteration limit (the Viterbi ones' included).
bool IsConvolutionalType(int codeType);
// The channel bits the inner code sends per information bit, 1 without an inner code; setSize is
// the inner set's size (cascadeSetSize) for the type that takes it from its set.
int ChannelBitsPerInfoBit(int codeType, int setSize);

} // namespace spi

// The one record of the workstation: every parameter of the chain, every work buffer a simulated
// word passes through, the statistics of the last run and the two built-in tables.
// Buffers keep the 1-based layout of the model (element 0 exists and carries no bit) unless a
// field says it is 0-based. Capacities are the limits of the whole system; runs check them once,
// before they start (core/capacity_check.h).
#pragma once

#include "model/random.h"
#include "model/run_theory.h"
#include "model/tables.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spi {

// Capacities of the model.
inline constexpr int kMaxWord = 2100;      // symbols per codeword or information word
inline constexpr int kMaxBlock = 5000;     // symbols per interleaver block, n*L
inline constexpr int kMaxBlockInfo = 4000; // information symbols per block, k*L
inline constexpr int kMaxParity = 10000;   // bits of parityColumns
inline constexpr int kPolyTerms = 301;     // entries of genPolyTerms
inline constexpr int kNoiseTable = 1000;   // entries of the decision-device tables

using Bits2100 = std::array<std::uint8_t, kMaxWord + 1>;

// The model is one record, composed of parts: the parameters, the chain's buffers, the results of
// the last run and one part per block that keeps state of its own. Every field keeps its name in
// the whole record (m.codeN, m.multBefore, m.chanState), and a block's functions can be handed
// their own part alone.

// Parameters of the chain (those saved in the initial-data file are marked dat).
struct ModelParameters {
    double probOne = 0;       // dat
    double modMd = 0;         // dat
    double contQ = 0;         // dat
    double contHp = 0;        // dat
    double contHc = 0;        // dat
    double ruThreshold1 = 0;  // dat
    double ruThreshold2 = 0;  // dat
    std::int32_t contM = 0;   // dat
    std::int32_t demodDm = 0; // dat
    // P0 P1 P2 E0 E1 E2 P00 P01 P10 P11 P12 P21 P22 Pcp Ck
    std::array<double, 15> discParams{}; // dat
    // PP PI E4 P4 P5 B1 B2 TM
    std::array<double, 8> breakParams{}; // dat
    std::int32_t stat1WordLength = 0;
    std::int32_t wordCount = 0;
    std::string genPolyText;           // dat, UTF-8 in memory, code page 1251 on disk
    std::string innerPolyList;         // dat, at most 30 characters
    std::uint16_t codeType = 0;        // dat
    std::int32_t codeN = 0;            // dat
    std::int32_t codeK = 0;            // dat
    std::int32_t convN0 = 0;           // dat
    std::int32_t convK0 = 0;           // dat
    std::int32_t genPolyTermCount = 0; // dat
    std::array<std::int32_t, kPolyTerms> genPolyTerms{}; // 0-based, the terms read from g(x)
    std::int32_t codeT = 0;                              // dat
    std::array<std::uint8_t, 8> polyNumbers{};           // dat, 0-based
    std::int32_t ilvA = 0;                               // dat
    std::int32_t ilvC = 0;                               // dat
    std::int32_t ilvL = 0;                               // dat
    std::int16_t ruCriterion = 0;                        // dat
    std::uint8_t channelType = 0;
    std::uint8_t channelEntered = 0;
    std::array<std::string, 7> tapStrings{};
    std::uint16_t convPolyIndex = 0;
};

// The words of the chain on their way through one block of a run.
struct ChainBuffers {
    Bits2100 infoWord{};
    Bits2100 prevInfoWord{};
    std::array<std::uint8_t, kMaxBlockInfo + 1> blockInfoWords{};
    Bits2100 refInfoWord{};
    std::array<std::uint8_t, kMaxBlock + 1> codeWord{};
    std::array<std::uint8_t, kMaxBlock + 1> interleaverMatrix{};
    std::array<std::uint8_t, kMaxBlock + 1> channelSeq{};
    std::array<std::uint8_t, kMaxBlock + 1> errorVector{};
    Bits2100 rxWord{};
    Bits2100 decodedWord{};
    std::array<std::int32_t, kMaxBlock + 1> interleaverPerm{}; // 0-based
};

// Work cells the binary coders share. Not cleared between words or runs: what one code type leaves
// in them another may read, so they stay one part that the coders borrow.
struct DecoderWorkCells {
    Bits2100 convRegister{};
    Bits2100 decoderWork1{};
    Bits2100 decoderWork2{};
    Bits2100 decoderWork3{};
    std::array<std::uint8_t, kMaxParity + 1> parityColumns{};
};

// What a completed run leaves for the windows, the files and the printouts.
struct RunResults {
    std::array<double, kMaxWord + 1> multBefore{}; // 0-based
    std::array<double, kMaxWord + 1> multAfter{};  // 0-based
    double wordErrProbAfter = 0;
    double pErrIn = 0;
    double pErrInConf = 0;
    double pErrOut = 0;
    double pErrOutConf = 0;
    double capacityNoCoder2 = 0;
    double rateWithCoder = 0;
    double pErrWork = 0;
    double pErrConfWork = 0;
    std::int32_t detectedBlockCount = 0;
    std::int32_t multRowsLast = 0;
    std::int32_t multRowsBefore = 0;
    std::int32_t multRowsAfter = 0;
    std::int32_t lastMultiplicity = 0;
    // The seed the last run's set-up used (from the clock or fixedSeed).
    std::uint32_t runSeed = 0;
    // Beside the figures above: theory and batch means (never in the files of the run).
    RunTheory theory;
    BatchTally batchTally;
};

// The discrete-channel generator.
struct MarkovGeneratorState {
    std::int32_t chanState = 0; // 0 = not drawn yet; 1, 2, 3 = states 0, 1, 2
    std::int32_t genLength = 0;
};

struct DecisionDeviceState {
    std::array<std::int32_t, kNoiseTable + 1> noiseTable{};
    std::array<std::int32_t, kNoiseTable + 1> envNoiseTable{};
    std::array<std::int32_t, kNoiseTable + 1> envSignalTable{};
    std::int32_t amThreshold = 0;
    double mapShift = 0;
    double hpReal = 0;
    double noiseSigma = 0;
};

// The inner codes of the concatenated schemes.
struct InnerCodeState {
    // The check of the inner set at the first generator call of a run (cascadeInitMark cleared by
    // the run's set-up): the set's size (rows + 1, channel bits per information bit of type 16)
    // and its step (the m column of the last row, information bits per inner block).
    double cascadeInitMark = 0;
    std::uint8_t cascadeSetSize = 0;
    std::int32_t cascadeStep = 0;
    std::uint16_t innerBlockLen = 0;                          // l, information bits per inner block
    std::array<std::uint8_t, 64> innerInfoBits{};             // 1..l+2
    std::array<std::uint16_t, 8> innerMetrics{};              // m0..m3, then c4..c7
    std::array<std::array<std::uint8_t, 61>, 4> innerPaths{}; // survivors, positions 0..60
    double innerViterbiMark = 0;
    // The rate-1/3 pair of code type 15 has cells of its own, reset by every run's set-up.
    std::array<std::uint8_t, 2> inner15Register{};
    std::array<std::uint8_t, 8> inner15Metrics{};
    std::array<std::array<std::uint8_t, 28>, 4> inner15Paths{};
    // The threshold-decoded inner code of code type 16. The first inner block of a run
    // (inner16Ready false after the run's set-up) reads its polynomials from innerPolyList and
    // clears its registers; from then on they carry over from block to block.
    static constexpr int kInner16Polys = 15; // rows that a 30-character list can name
    static constexpr int kInner16Taps = 24;  // taps of the longest tap-table row
    std::array<std::uint8_t, kMaxWord + 1> inner16Register{};    // encoder's information bits
    std::array<std::uint8_t, kMaxWord + 1> inner16Check{};       // decoder's received information
    std::array<std::uint8_t, kMaxParity + 1> inner16Syndromes{}; // one window per polynomial
    std::array<std::uint8_t, kMaxWord + 1> inner16Previous{};    // received bits not yet decided
    bool inner16Ready = false;
    std::int32_t inner16PolyCount = 0; // 0: no usable set, blocks pass the errors uncorrected
    std::array<std::int32_t, kInner16Polys> inner16TapCount{};                       // 0-based
    std::array<std::array<std::int16_t, kInner16Taps>, kInner16Polys> inner16Taps{}; // 0-based
    std::int32_t inner16Memory = 0; // largest tap of the set
    std::int32_t inner16Delay = 0;  // blocks between receiving a bit and deciding it
};

// Convolutional codes with threshold decoding.
struct ConvThresholdState {
    std::array<std::int32_t, 8> convTapMax{}; // 1..n0-1
    std::int32_t convStepsPerWord = 0;
};

// The convolutional code with Viterbi decoding (never reset: carried across runs).
struct ViterbiState {
    std::array<std::uint8_t, 2> vitEncoderMemory{};
    std::array<std::uint8_t, 8> vitMetrics{};
    std::array<std::array<std::uint8_t, 25>, 4> vitSurvivors{};
};

// GF(2^m) laid out for the decoders' inner loops (coding/galois_field.h: FastField reads it).
struct FastFieldTables {
    std::int32_t order = 0; // N; 0 while nothing is built
    std::int32_t zeroLog = 0;
    std::array<std::uint16_t, 256> log{};
    std::array<std::uint8_t, 4 * 255 + 1> exp{};
    std::array<std::uint8_t, 256> quadraticRoot{}; // for K != 0: a y with y^2 + y = K, or 0
};

// What a BCH or Reed-Solomon coder derives from its field and code once and keeps from word to
// word. Each part records what it was built from and is built anew when that differs.
struct GaloisWordTables {
    std::array<std::uint8_t, 256> fieldFrom{}; // the model's exp[0..N] that `field` came from
    FastFieldTables field;
    // BCH: the odd syndromes contributed by each nibble of a binary word, for (n, t).
    std::array<std::int32_t, 2> nibbleKey{};
    std::vector<std::uint64_t> nibbleSyndromes;
    // Reed-Solomon: a * alpha^r for every a, r = 1..count (the syndromes by Horner's rule).
    std::int32_t powerCount = 0;
    std::vector<std::uint8_t> powerProducts;
    // Reed-Solomon encoder: fb * g(x) for every feedback symbol fb, for the r + 1 coefficients.
    std::vector<std::uint8_t> generatorFrom;
    std::vector<std::uint64_t> generatorRows;
};

// The Galois field, the Reed-Solomon and the BCH coders.
struct GaloisCoderState {
    double rsGeneratorReady = 0;
    std::uint16_t rsCodeNumber = 0;
    std::array<std::uint8_t, 6> fieldPolyDigits{}; // 1..5
    std::uint8_t fieldPolyTermCount = 0;
    std::uint16_t gfDegree = 0;
    std::uint16_t gfOrder = 0;
    std::uint16_t rsK = 0;
    std::array<std::uint8_t, 256> gfExp{};
    std::array<std::uint8_t, 256> gfLog{};
    std::array<std::uint8_t, 256> rsGenerator{};
    std::array<std::uint8_t, 256> rsSymbols{}; // 1..N
    std::array<std::uint8_t, 256> bchExp{};
    std::array<std::uint8_t, 256> bchLog{};
    std::int32_t bchOrder = 0;
    std::int32_t bchDegree = 0;
    GaloisWordTables bchTables;
    GaloisWordTables rsTables;
};

struct ModelState : ModelParameters,
                    ChainBuffers,
                    DecoderWorkCells,
                    RunResults,
                    MarkovGeneratorState,
                    DecisionDeviceState,
                    InnerCodeState,
                    ConvThresholdState,
                    ViterbiState,
                    GaloisCoderState {
    // --- Random generator of this model ---
    Random random;
    // When set, a run's set-up seeds the generator with this value instead of the clock.
    std::optional<std::uint32_t> fixedSeed;

    // --- Built-in tables, filled at start and never changed ---
    const BchRow *bchTable = nullptr; // rows 1..87, element 0 unused
    const TapRow *tapTable = nullptr; // rows 1..170, element 0 unused
};

// Start-up initialisation: the defaults of every parameter, in the order the model sets them.
void SetStartupDefaults(ModelState &m);

// A model with its defaults, on the heap (the record holds about 200 KB of buffers).
std::unique_ptr<ModelState> MakeModel();

} // namespace spi

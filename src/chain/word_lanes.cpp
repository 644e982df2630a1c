#include "chain/word_lanes.h"

#include "chain/source_bits.h"
#include "chain/source_stats.h"
#include "channel/markov_generator.h"
#include "coding/code_catalogue.h"
#include "coding/viterbi.h"

#include <memory>

namespace spi {

namespace {

// The decoders that read a word of their own shape and nothing else, and write its information.
struct Shape {
    Decoder decoder;
    int n, k;
};
constexpr Shape kShapes[] = {
    {Decoder::Majority73, 7, 3}, {Decoder::Meggitt, 15, 11}, {Decoder::Threshold157, 15, 7}};

// A table pays when the run has several times as many blocks as it has entries.
constexpr long long kBlocksPerEntry = 4;

bool OneWordPerBlock(const ModelState &m, const CodeTypeFacts &facts) {
    return m.channelType == 1 && m.ilvL == 1 && facts.inner == InnerCode::None &&
           (facts.reference == ReferenceMode::SameWord ||
            facts.reference == ReferenceMode::PreviousWord);
}

bool TablesFit(const ModelState &m, const CodeTypeFacts &facts) {
    if (facts.family != EncoderFamily::Cyclic || facts.reference != ReferenceMode::SameWord)
        return false;
    for (const Shape &s : kShapes)
        if (s.decoder == facts.decoder)
            return m.codeN == s.n && m.codeK == s.k;
    return false;
}

bool ViterbiFits(const ModelState &m, const CodeTypeFacts &facts) {
    return facts.decoder == Decoder::Viterbi && facts.family == EncoderFamily::ConvViterbi &&
           !CheckViterbiSettings(m) && m.codeN <= 64 && m.codeN == ViterbiCodeLength(m);
}

std::uint64_t PackBytes(const std::uint8_t *bytes, int count) {
    std::uint64_t mask = 0;
    for (int i = 0; i < count; ++i)
        mask |= static_cast<std::uint64_t>(bytes[i] != 0) << i;
    return mask;
}

void UnpackBits(std::uint64_t mask, int count, std::uint8_t *bytes) {
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(mask >> i & 1u);
}

// The coders' answers, from a copy of the model, so that the run's own buffers stay untouched.
void Tabulate(const ModelState &m, const CodecEntry &codec, WordLanes &lanes) {
    auto scratch = std::make_unique<ModelState>(m);
    lanes.encode.resize(std::size_t{1} << lanes.k);
    for (std::size_t info = 0; info < lanes.encode.size(); ++info) {
        UnpackBits(info, lanes.k, scratch->infoWord.data() + 1);
        codec.encode(*scratch);
        lanes.encode[info] =
            static_cast<std::uint16_t>(PackBytes(scratch->codeWord.data() + 1, lanes.n));
    }
    lanes.decode.resize(std::size_t{1} << lanes.n);
    for (std::size_t rx = 0; rx < lanes.decode.size(); ++rx) {
        UnpackBits(rx, lanes.n, scratch->rxWord.data() + 1);
        codec.decode(*scratch, 1);
        lanes.decode[rx] =
            static_cast<std::uint16_t>(PackBytes(scratch->decodedWord.data() + 1, lanes.k));
    }
}

// Channel position p (1-based) carries the code word's bit perm[p-1] + 1.
void MapChannelToCode(const ModelState &m, WordLanes &lanes) {
    lanes.toCode.assign(static_cast<std::size_t>((lanes.n + 3) / 4), {});
    for (std::size_t q = 0; q < lanes.toCode.size(); ++q)
        for (unsigned v = 0; v < 16; ++v) {
            std::uint64_t to = 0;
            for (std::size_t j = 0; j < 4; ++j) {
                const std::size_t p = 4 * q + j;
                if ((v >> j & 1u) && p < static_cast<std::size_t>(lanes.n))
                    to |= std::uint64_t{1} << m.interleaverPerm[p];
            }
            lanes.toCode[q][v] = to;
        }
}

std::uint64_t InCode(const WordLanes &lanes, std::uint64_t errors) {
    std::uint64_t to = 0;
    for (std::size_t q = 0; q < lanes.toCode.size(); ++q, errors >>= 4)
        to |= lanes.toCode[q][errors & 15u];
    return to;
}

// One word, its errors counted by `ones`.
template <class Count>
[[gnu::always_inline]] inline LaneWord LaneWordWith(Count ones, ModelState &m, WordLanes &lanes) {
    const std::uint64_t info = m.random.UsesPhilox()
                                   ? DrawResearchSourceMask(m.random.philox, lanes.below, lanes.k)
                                   : DrawSourceMask(m.random.seed, lanes.below, lanes.k);
    const bool tables = lanes.coder == WordLanes::Coder::Tables;
    const std::uint64_t code =
        tables ? lanes.encode[info] : EncodeViterbiMask(m, lanes.viterbi, info);
    const std::uint64_t errors = DrawMarkovErrorBits(lanes.channel, m, m, m.random, lanes.n);
    const std::uint64_t rx = code ^ InCode(lanes, errors);
    const std::uint64_t decoded =
        tables ? lanes.decode[rx] : DecodeViterbiMask(m, lanes.viterbi, rx, m.convK0);
    const std::uint64_t reference = lanes.previousWord ? lanes.lastInfo : info;
    lanes.lastInfo = info;
    return {ones(errors), ones(decoded ^ reference)};
}

#if defined(__GNUC__) && defined(__x86_64__)
#define SPI_LANE_POPCNT 1
[[gnu::target("popcnt")]] LaneWord PopcntLaneWord(ModelState &m, WordLanes &lanes) {
    return LaneWordWith([](std::uint64_t x) { return __builtin_popcountll(x); }, m, lanes);
}
#endif

auto WordWay() {
#if defined(SPI_LANE_POPCNT)
    if (PopcntAvailable())
        return PopcntLaneWord;
#endif
    return &PortableLaneWord;
}

} // namespace

std::optional<WordLanes> MakeWordLanes(const ModelState &m, const CodecEntry &codec,
                                       long long blocks, bool stopRule) {
    const CodeTypeFacts &facts = CodeTypeRow(m.codeType);
    if (stopRule || !codec.encode || !codec.decode || blocks < 3 || !OneWordPerBlock(m, facts))
        return std::nullopt;
    WordLanes lanes;
    if (TablesFit(m, facts)) {
        if (blocks < kBlocksPerEntry * (1LL << m.codeN))
            return std::nullopt;
        lanes.coder = WordLanes::Coder::Tables;
    } else if (ViterbiFits(m, facts)) {
        lanes.coder = WordLanes::Coder::Viterbi;
    } else {
        return std::nullopt;
    }
    lanes.n = m.codeN;
    lanes.k = m.codeK;
    lanes.previousWord = facts.reference == ReferenceMode::PreviousWord;
    lanes.below =
        m.random.UsesPhilox() ? ResearchCountBelow(m.probOne) : SourceCountBelow(m.probOne);
    lanes.channel = SetUpMarkovMasks(m, m.random);
    lanes.word = WordWay();
    if (lanes.coder == WordLanes::Coder::Tables)
        Tabulate(m, codec, lanes);
    MapChannelToCode(m, lanes);
    return lanes;
}

bool EnterWordLanes(const ModelState &m, WordLanes &lanes) {
    lanes.lastInfo = PackBytes(m.infoWord.data() + 1, lanes.k);
    return lanes.coder != WordLanes::Coder::Viterbi || LoadViterbiLanes(m, m, lanes.viterbi);
}

LaneWord PortableLaneWord(ModelState &m, WordLanes &lanes) {
    return LaneWordWith(Ones, m, lanes);
}

void LeaveWordLanes(ModelState &m, const WordLanes &lanes) {
    UnpackBits(lanes.lastInfo, lanes.k, m.infoWord.data() + 1);
    if (lanes.coder == WordLanes::Coder::Viterbi)
        StoreViterbiLanes(lanes.viterbi, m);
}

} // namespace spi

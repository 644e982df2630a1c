#include "chain/word_lanes.h"

#include "chain/source_bits.h"
#include "channel/markov_generator.h"
#include "coding/code_catalogue.h"

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

bool Fits(const ModelState &m, const CodeTypeFacts &facts) {
    if (m.channelType != 1 || m.ilvL != 1 || facts.family != EncoderFamily::Cyclic ||
        facts.reference != ReferenceMode::SameWord || facts.inner != InnerCode::None)
        return false;
    for (const Shape &s : kShapes)
        if (s.decoder == facts.decoder)
            return m.codeN == s.n && m.codeK == s.k;
    return false;
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
    for (int q = 0; q < 4; ++q)
        for (unsigned v = 0; v < 16; ++v) {
            std::uint16_t to = 0;
            for (int j = 0; j < 4; ++j) {
                const int p = 4 * q + j;
                if ((v >> j & 1u) && p < lanes.n)
                    to |= static_cast<std::uint16_t>(
                        1u << m.interleaverPerm[static_cast<std::size_t>(p)]);
            }
            lanes.toCode[static_cast<std::size_t>(q)][v] = to;
        }
}

// The set bits of a word (a plain x86-64 build has no instruction for it).
int Ones(std::uint64_t x) {
    x -= x >> 1 & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + (x >> 2 & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

} // namespace

std::optional<WordLanes> MakeWordLanes(const ModelState &m, const CodecEntry &codec,
                                       long long blocks, bool stopRule) {
    const CodeTypeFacts &facts = CodeTypeRow(m.codeType);
    if (stopRule || !codec.encode || !codec.decode || !Fits(m, facts))
        return std::nullopt;
    if (blocks < kBlocksPerEntry * (1LL << m.codeN))
        return std::nullopt;
    WordLanes lanes;
    lanes.n = m.codeN;
    lanes.k = m.codeK;
    lanes.below = SourceCountBelow(m.probOne);
    Tabulate(m, codec, lanes);
    MapChannelToCode(m, lanes);
    return lanes;
}

LaneWord RunLaneWord(ModelState &m, const WordLanes &lanes) {
    const std::uint64_t info = DrawSourceMask(m.random.seed, lanes.below, lanes.k);
    const std::uint16_t code = lanes.encode[info];
    // The lengths fit, so the generator always draws.
    const std::uint64_t errors = DrawMarkovErrorMask(m, m, m.random, lanes.n).value_or(0);
    const auto &to = lanes.toCode;
    const auto inCode =
        static_cast<std::uint16_t>(to[0][errors & 15u] | to[1][errors >> 4 & 15u] |
                                   to[2][errors >> 8 & 15u] | to[3][errors >> 12 & 15u]);
    const std::uint16_t decoded = lanes.decode[code ^ inCode];
    return {info, Ones(errors), Ones(decoded ^ info)};
}

void LeaveInfoWord(ModelState &m, const WordLanes &lanes, std::uint64_t info) {
    UnpackBits(info, lanes.k, m.infoWord.data() + 1);
}

} // namespace spi

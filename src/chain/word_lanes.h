// Short words as machine words. A "Стат2" run with one word per interleaver block over the discrete
// channel can take a block's source word, code word, channel errors, decoding and counts as bit
// masks, drawing exactly as the block-by-block path does and in the same order:
// - a short cyclic code whose decoder reads only its own word: the encoder's and the decoder's
//   answers are tabulated once per run by calling them on every word;
// - the convolutional code with Viterbi decoding: its encoder's memory and its decoder's metrics
//   and survivors are carried between words (coding/viterbi.h).
// That path still runs the first and the last block, so that whatever a run leaves behind in the
// buffers and the coders' states is as it was.
#pragma once

#include "chain/code_dispatch.h"
#include "channel/markov_generator.h"
#include "coding/viterbi.h"
#include "model/model_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace spi {

struct WordLanes;
struct LaneWord {
    int before, after; // the word's errors before and after decoding
};

struct WordLanes {
    enum class Coder { Tables, Viterbi } coder = Coder::Tables;
    int n = 0, k = 0;
    bool previousWord = false;         // decoded words are compared with the word before
    std::uint64_t below = 0;           // the source's count for the run's generator (source_bits.h)
    MarkovMaskSetup channel;           // the run's channel, set up once
    std::vector<std::uint16_t> encode; // Tables: the code word of each information word
    std::vector<std::uint16_t> decode; // Tables: the decoded information of each received word
    std::vector<std::array<std::uint64_t, 16>> toCode; // channel errors, a nibble at a time, to
                                                       // the code word's positions
    // One word: the same for every processor, with its own bit count where it has one.
    LaneWord (*word)(ModelState &m, WordLanes &lanes) = nullptr;
    // What the words carry from one to the next.
    std::uint64_t lastInfo = 0;
    ViterbiLanes viterbi;
};

// The lanes of this run, or nothing where its blocks must go byte by byte: another code or
// channel, L above 1, a stopping rule, or too few blocks to pay for the tables.
std::optional<WordLanes> MakeWordLanes(const ModelState &m, const CodecEntry &codec,
                                       long long blocks, bool stopRule);

// Takes over what the block-by-block path left after the first block; false when the lanes cannot
// carry it (the run then goes on byte by byte).
bool EnterWordLanes(const ModelState &m, WordLanes &lanes);

// One block's word, drawing from m's generator and channel as the block-by-block path would.
inline LaneWord RunLaneWord(ModelState &m, WordLanes &lanes) {
    return lanes.word(m, lanes);
}
// The same with the count every processor has: what `word` is where the processor has no count of
// its own.
LaneWord PortableLaneWord(ModelState &m, WordLanes &lanes);

// Hands back to the block-by-block path, before the last block, what it reads of the blocks
// before: the last information word and the coder's state.
void LeaveWordLanes(ModelState &m, const WordLanes &lanes);

} // namespace spi

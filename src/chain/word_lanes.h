// Short words as machine words. A "Стат2" run of a short cyclic code whose decoder is a function of
// the received word alone, one word per interleaver block, over the discrete channel, can take a
// block's source word, code word, channel errors, decoding and counts as bit masks: the encoder's
// and the decoder's answers are tabulated once per run by calling them on every word, and the
// draws are the block-by-block path's, in the same order. That path still runs the first and the
// last block, so that whatever a run leaves behind in the buffers is as it was.
#pragma once

#include "chain/code_dispatch.h"
#include "model/model_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace spi {

struct WordLanes {
    int n = 0, k = 0;
    std::uint64_t below = 0;           // the source's count (chain/source_bits.h)
    std::vector<std::uint16_t> encode; // the code word of each information word
    std::vector<std::uint16_t> decode; // the decoded information word of each received word
    std::array<std::array<std::uint16_t, 16>, 4> toCode{}; // channel errors, a nibble at a time,
                                                           // to the code word's positions
};

// The lanes of this run, or nothing where its blocks must go byte by byte: another code or
// channel, L above 1, a stopping rule, or too few blocks to pay for the tables.
std::optional<WordLanes> MakeWordLanes(const ModelState &m, const CodecEntry &codec,
                                       long long blocks, bool stopRule);

struct LaneWord {
    std::uint64_t info; // the information word, bit i-1 for bit i
    int before, after;  // its errors before and after decoding
};

// One block's word, drawing from m's generator and channel as the block-by-block path would.
LaneWord RunLaneWord(ModelState &m, const WordLanes &lanes);

// An information word into infoWord, as the block-by-block path leaves it.
void LeaveInfoWord(ModelState &m, const WordLanes &lanes, std::uint64_t info);

} // namespace spi

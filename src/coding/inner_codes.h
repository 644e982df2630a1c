// The inner codes of the concatenated schemes (code types 12, 15, 16 and 17): between the channel
// and the outer decoder they encode an all-ones sequence, add the channel errors, decode, and
// leave the residual errors.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <span>

namespace spi {

// At the first block of a run: reads the inner set of type 16 (innerPolyList, rows of tapTable)
// into the cascade cells and checks that the outer word divides into inner blocks. False when the
// set cannot serve the outer code.
bool CheckInnerSetOnce(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable);

// Runs the inner blocks of the current block of channel errors in errorVector, writing the
// residual errors over its front block by block; codeWord holds each inner block's code bits.
void RunInnerCode(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable,
                  std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                  std::span<std::uint8_t, kMaxBlock + 1> errorVector);

// Runs inner block h (1-based) of the current generator call for the concatenated code type.
void RunInnerBlock(const ModelParameters &p, InnerCodeState &s, const TapRow *tapTable,
                   std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                   std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h);

} // namespace spi

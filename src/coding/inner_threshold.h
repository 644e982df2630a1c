// The inner code of code type 16: a convolutional code with threshold decoding built from the
// tap-table rows listed in innerPolyList.
//
// Rate 1/c with c = cascadeSetSize: each step carries one information bit and one parity bit per
// listed row, the parity being the XOR of the information bits at the row's taps. Like the inner
// Viterbi pairs it encodes all-ones blocks of cascadeStep bits, adds the channel errors and
// decodes; the residual errors (decided bit XOR 1) of block h go to
// errorVector[cascadeStep*(h-1)+1 .. cascadeStep*h]. The decoder is the rate-1/n0 threshold rule of
// the outer convolutional decoder (check sums over each row's taps, the same pass thresholds and
// vote, syndrome feedback), with at most five passes.
//
// The decision on a bit needs the syndromes up to the largest tap M after it, so the decoder
// decides D = max(1, ceil(M / cascadeStep)) blocks late: block h writes the residual errors of
// block h-D. The first D blocks of a run decide the all-ones bits assumed before the run.
//
// The first block of a run (inner16Ready false, which the run's set-up sets) reads the rows and
// clears the registers; from then on the state carries over from block to block and frame to
// frame until the next run.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace spi {

// innerPolyList names the rows of tapTable; the set's size and step are the cascade cells of the
// state, which the check of the inner set has filled.
void InnerEncode16(const ModelParameters &p, InnerCodeState &st, const TapRow *tapTable,
                   std::span<std::uint8_t, kMaxBlock + 1> codeWord);
void InnerDecode16(const ModelParameters &p, InnerCodeState &st, const TapRow *tapTable,
                   std::span<std::uint8_t, kMaxBlock + 1> codeWord,
                   std::span<std::uint8_t, kMaxBlock + 1> errorVector, int h);

// For code type 16: the message that says which limit the inner code would break (more rows than
// it holds, an error stream n*c*L beyond errorVector, a syndrome window beyond its buffer), or
// nullopt. A list that names no valid rows, or an n that is not a multiple of the last row's m,
// passes here: the error generator refuses those with its own warning.
std::optional<std::string> CheckInner16Settings(const ModelParameters &p, const TapRow *tapTable);

} // namespace spi

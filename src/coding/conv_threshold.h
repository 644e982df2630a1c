// Systematic convolutional codes with threshold (majority) decoding and decision feedback.
// Registers of encoder and decoder carry over from word to word; every decoder delivers the
// information bits of the previous word.
#pragma once

#include "model/model_state.h"

#include <optional>
#include <string>

namespace spi {

void encodeConvHalf(ModelState &m); // code types 1 and 6
void decodeConvHalf(ModelState &m); // code type 1, up to Cm passes
void decodeConv105(ModelState &m);  // code type 6, the fixed (10,5) decoder
void encodeConvK0N0(ModelState &m); // code types 7, 12, 15, 16
void decodeConvK0N0(ModelState &m); // code types 7, 12, 15, 16, up to Cm passes

// For code types 1, 6, 7, 12, 15 and 16: the message that says which limit the settings would
// break (a register, syndrome or word index beyond its buffer, a rate or polynomial number the
// coders cannot use), or nullopt when the coders can run. Other code types pass. The encoders
// and the iterative decoders leave every buffer untouched when given settings that this refuses.
std::optional<std::string> CheckConvThresholdSettings(const ModelState &m);

// The pass thresholds and the vote of the iterative decoders, shared with the inner code of the
// concatenated type 16: the threshold of pass `it` (0-based) for J taps, and Round(n0/2) (half to
// even), the number of polynomials whose vote inverts a bit at rate 1/n0.
int ThresholdOfPass(int J, int it);
int VotesToInvert(int n0);

} // namespace spi

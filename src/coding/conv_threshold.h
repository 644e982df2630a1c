// Systematic convolutional codes with threshold (majority) decoding and decision feedback.
// Registers of encoder and decoder carry over from word to word; every decoder delivers the
// information bits of the previous word.
#pragma once

#include "core/model_state.h"

namespace spi {

void encodeConvHalf(ModelState &m);  // code types 1 and 6
void decodeConvHalf(ModelState &m);  // code type 1, up to Cm passes
void decodeConv105(ModelState &m);   // code type 6, the fixed (10,5) decoder
void encodeConvK0N0(ModelState &m);  // code types 7, 12, 15, 16
void decodeConvK0N0(ModelState &m);  // code types 7, 12, 15, 16, up to Cm passes

} // namespace spi

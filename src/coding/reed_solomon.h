// Reed-Solomon codes over GF(2^m): the systematic encoder and the decoders "АБМВ" (time domain)
// and "АБМЧ" (syndromes, Berlekamp-Massey with the evaluator, Forney values).
#pragma once

#include "model/model_state.h"

namespace spi {

void encodeReedSolomon(ModelState &m); // code types 13, 17, 18
void decodeABMV(ModelState &m);        // code type 13
void decodeABMCh(ModelState &m);       // code types 17 and 18

} // namespace spi

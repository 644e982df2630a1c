// The memory-2 rate-1/2 convolutional code (generators 5 and 7) with puncturing to 2/3 and 3/4,
// and its hard-decision Viterbi decoder. Encoder memory, metrics and survivors are never reset.
#pragma once

#include "model/model_state.h"

#include <optional>
#include <string>

namespace spi {

void encodeViterbi(ModelState &m);                        // code types 8, 9, 10
void decodeViterbi(ModelState &m, long long blockNumber); // delivers the previous block's bits

// nullopt when codeN and codeK suit the decoder of code types 8, 9 and 10 (other types are not
// its concern); otherwise the message that says which rule and which values. A run calls it
// before it starts: the decoder keeps at most 24 positions per survivor and 16 periods per block,
// and with settings it cannot take it leaves the model untouched instead of decoding.
std::optional<std::string> CheckViterbiSettings(const ModelState &m);

} // namespace spi

// The inner Viterbi codes of the concatenated types: the rate-1/2 pair of types 12 and 17 and the
// rate-1/3 pair of type 15. They encode all-ones blocks, add the channel errors and leave the
// residual errors in errorVector, one whole block late.
#pragma once

#include "model/model_state.h"

#include <optional>
#include <string>

namespace spi {

void InnerEncode(ModelState &m);
void InnerDecode(ModelState &m, int h);
void InnerEncode15(ModelState &m);
void InnerDecode15(ModelState &m, int h);

// nullopt when the inner block length of code types 12, 15 and 17 fits the survivor paths (other
// types are not its concern); otherwise the message that says which value. A run calls it before
// it starts: type 17 with n other than 155, 378 or 2040 takes l = n, and the paths hold 60
// positions. Called anyway, the pair leaves the model untouched.
std::optional<std::string> CheckInnerViterbiSettings(const ModelState &m);

} // namespace spi

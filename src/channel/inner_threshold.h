// The inner code of code type 16: a convolutional code with threshold decoding built from the
// tap-table rows listed in innerPolyList.
#pragma once

#include "core/model_state.h"

namespace spi {

void InnerEncode16(ModelState &m);
void InnerDecode16(ModelState &m, int h);

} // namespace spi

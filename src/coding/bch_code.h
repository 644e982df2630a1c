// Binary BCH codes: the systematic encoder from the parsed g(x) and the binary time-domain
// Berlekamp-Massey decoder over the field of the table row.
#pragma once

#include "model/model_state.h"

namespace spi {

void encodeBch(ModelState &m); // code type 14
void decodeBch(ModelState &m);

} // namespace spi

#include "coding/reed_solomon.h"

namespace spi {
void encodeReedSolomon(ModelState &) {}
void decodeABMV(ModelState &) {}
void decodeABMCh(ModelState &) {}
} // namespace spi

#include "coding/conv_threshold.h"

namespace spi {
void encodeConvHalf(ModelState &) {}
void decodeConvHalf(ModelState &) {}
void decodeConv105(ModelState &) {}
void encodeConvK0N0(ModelState &) {}
void decodeConvK0N0(ModelState &) {}
} // namespace spi

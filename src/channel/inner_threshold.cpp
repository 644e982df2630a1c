#include "channel/inner_threshold.h"

namespace spi {
void InnerEncode16(ModelState &) {}
void InnerDecode16(ModelState &, int) {}
} // namespace spi

#include "channel/inner_viterbi.h"

namespace spi {
void InnerEncode(ModelState &) {}
void InnerDecode(ModelState &, int) {}
void InnerEncode15(ModelState &) {}
void InnerDecode15(ModelState &, int) {}
} // namespace spi

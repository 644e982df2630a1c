#include "channel/inner_codes.h"

#include "channel/inner_threshold.h"
#include "channel/inner_viterbi.h"

namespace spi {

bool InnerCodeAvailable(int codeType) {
    switch (codeType) {
    case 12:
    case 15:
    case 16:
    case 17: return true;
    default: return true;
    }
}

void RunInnerBlock(ModelState &m, int h) {
    switch (m.codeType) {
    case 12:
    case 17:
        InnerEncode(m);
        InnerDecode(m, h);
        break;
    case 15:
        InnerEncode15(m);
        InnerDecode15(m, h);
        break;
    case 16:
        InnerEncode16(m);
        InnerDecode16(m, h);
        break;
    default: break;
    }
}

} // namespace spi

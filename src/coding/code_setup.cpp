#include "coding/code_setup.h"

namespace spi {

bool IsNonBinaryCodeType(int codeType) {
    return codeType == 13 || codeType == 17 || codeType == 18;
}

// The Reed-Solomon catalogue is not built into this version yet; the run refuses these types.
void SetUpNonBinaryCode(ModelState &, Notifier &) {}

} // namespace spi

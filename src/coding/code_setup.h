// The code set-up that the coder settings and the data file run for the non-binary code types
// 13, 17 and 18: it fills codeN, codeK and codeT from the code number in polyNumbers[0].
#pragma once

#include "core/model_state.h"
#include "core/notifier.h"

namespace spi {

bool IsNonBinaryCodeType(int codeType);
void SetUpNonBinaryCode(ModelState &m, Notifier &notifier);

} // namespace spi

// The g(x) parser: genPolyText (octal digits or a comma list of exponents) to genPolyTerms.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

namespace spi {

void parseGenPoly(ModelParameters &m, Notifier &notifier);

} // namespace spi

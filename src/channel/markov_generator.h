// Errors of the discrete channel: a three-state Markov chain, carried across the calls of a run.
#pragma once

#include "core/model_state.h"
#include "core/notifier.h"

namespace spi {

// Fills errorVector[1..length]; with the coder and a concatenated code type it first generates the
// longer stream of the inner code and leaves the outer code's errors in errorVector[1..n*L].
// May set wordCount to 0 (after "Ошибка каскадного набора g(x).") to stop a run with coding.
void GenerateMarkovErrors(ModelState &m, int length, bool withCoder, Notifier &notifier);

} // namespace spi

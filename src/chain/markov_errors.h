// The errors of a block on the discrete channel: the Markov chain's draws and, for a concatenated
// code, its inner code between the channel and the outer decoder.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

namespace spi {

// Fills errorVector[1..length]; with the coder and a concatenated code type it first generates the
// longer stream of the inner code and leaves the outer code's errors in errorVector[1..n*L].
// Refuses with the warning "Ошибка каскадного набора g(x)." an inner set that cannot serve the
// outer code and a stream longer than errorVector: it then returns false, and sets wordCount to 0
// as a refused run has always left it.
bool GenerateMarkovErrors(ModelState &m, int length, bool withCoder, Notifier &notifier);

} // namespace spi

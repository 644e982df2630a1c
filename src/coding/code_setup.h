// The code set-up that the coder settings and the data file run for the non-binary code types
// 13, 17 and 18: it fills codeN, codeK and codeT from the code number in polyNumbers[0].
#pragma once

#include "coding/code_catalogue.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <optional>
#include <string>

namespace spi {

// Fills the field, N and K of the Galois coders and codeN, codeK and codeT of the parameters.
// A code number outside 1..13 is refused with a message and changes nothing.
void SetUpNonBinaryCode(ModelParameters &p, GaloisCoderState &s, Notifier &notifier);

// Checks made before a run with coding starts; nullopt when the run may start, otherwise the
// message. They guarantee that the coders of the type read only tables that have been built and
// never index outside an array. Each answers nullopt for code types it does not concern.
// Types 13, 17, 18: the set-up has been done for the code number in polyNumbers[0], codeN and
// codeK are N*m and K*m, and 0 <= codeT <= (N-K) div 2.
std::optional<std::string> CheckNonBinaryCode(const ModelParameters &p, const GaloisCoderState &s);
// Type 14: table row 1..76, 1 <= k < n <= N of the row's field, 0 <= 2*codeT <= n-k, and g(x)
// with exponents 0..n-k that include 0 and n-k.
std::optional<std::string> CheckBchCode(const ModelParameters &p);

} // namespace spi

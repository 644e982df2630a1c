// Binary BCH codes: the binary time-domain Berlekamp-Massey decoder over the field of the table
// row.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <span>

namespace spi {

// The encoder of code type 14 is the binary cyclic one (encodeCyclic), over the g(x) of the table
// row, with the same bit order.

// Code type 14: reads polyNumbers[0] (the table row), codeN, codeK and codeT. The first call of a
// run (rsGeneratorReady cleared by the run's set-up) builds the row's field into state.
void decodeBch(const ModelParameters &p, GaloisCoderState &state,
               std::span<const std::uint8_t, kMaxWord + 1> rx,
               std::span<std::uint8_t, kMaxWord + 1> decoded);
// The same decoder on its plain path, the reference of the other: the field built for the word,
// every syndrome and every locator value evaluated.
void decodeBchPlain(const ModelParameters &p, GaloisCoderState &state,
                    std::span<const std::uint8_t, kMaxWord + 1> rx,
                    std::span<std::uint8_t, kMaxWord + 1> decoded);

} // namespace spi

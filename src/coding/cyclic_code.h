// Binary cyclic codes: the systematic encoder and the syndrome decoder with its exhaustive search.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <span>

namespace spi {

// What the syndrome decoder adds to the run's results.
struct SyndromeTally {
    std::int32_t &detectedBlockCount; // words whose syndrome no pattern of up to Cm errors explains
    double &wordErrProbAfter;         // detectedBlockCount / wordCount, after every searched word
};

// info[1..k] and its parity by g(x) into code[1..n].
void encodeCyclic(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> info,
                  std::span<std::uint8_t, kMaxBlock + 1> code);

// rx[1..n] into decoded[1..n] (the information bits, then zeros). Word 1 of a run rebuilds
// cells.parityColumns and resets the count of detected words; later words read the columns it left.
// cells.decoderWork1..3 hold the information bits, the parity and the syndrome.
void decodeSyndrome(const ModelParameters &p, DecoderWorkCells &cells,
                    std::span<const std::uint8_t, kMaxWord + 1> rx,
                    std::span<std::uint8_t, kMaxWord + 1> decoded, long long wordNumber,
                    SyndromeTally tally);

// The two above with the division a position at a time: the reference of the byte-wise division
// they take when g(x) allows it (cyclic_packed.h), to the byte the same in every cell they write.
void encodeCyclicPlain(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> info,
                       std::span<std::uint8_t, kMaxBlock + 1> code);
void decodeSyndromePlain(const ModelParameters &p, DecoderWorkCells &cells,
                         std::span<const std::uint8_t, kMaxWord + 1> rx,
                         std::span<std::uint8_t, kMaxWord + 1> decoded, long long wordNumber,
                         SyndromeTally tally);

} // namespace spi

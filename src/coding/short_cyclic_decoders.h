// Fixed decoders of four short cyclic codes, each the shift-register circuit of a classical
// decoder: they read rx[1..n] and write decoded[1..n]; n, k and their power are built in.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <span>

namespace spi {

// (23,12), up to 3 errors
void decodeKasamiRudolph(std::span<const std::uint8_t, kMaxWord + 1> rx,
                         std::span<std::uint8_t, kMaxWord + 1> decoded);
// (15,11), single errors
void decodeMeggitt(std::span<const std::uint8_t, kMaxWord + 1> rx,
                   std::span<std::uint8_t, kMaxWord + 1> decoded);
// (15,7), up to 2 errors
void decodeThreshold157(std::span<const std::uint8_t, kMaxWord + 1> rx,
                        std::span<std::uint8_t, kMaxWord + 1> decoded);
// (7,3), single errors
void decodeMajority73(std::span<const std::uint8_t, kMaxWord + 1> rx,
                      std::span<std::uint8_t, kMaxWord + 1> decoded);
// The same register by register: the reference of the table the one above looks its bits up in.
void decodeMajority73Plain(std::span<const std::uint8_t, kMaxWord + 1> rx,
                           std::span<std::uint8_t, kMaxWord + 1> decoded);

} // namespace spi

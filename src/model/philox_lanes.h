// The research generator's counters in vector lanes (x86-64): each counter in a 64-bit lane, whose
// low half carries the word and whose high half the multiplications ignore. Internal to model/.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__) && defined(__x86_64__)
#define SPI_PHILOX_X86 1

namespace spi::philox {

// As PhiloxFill, for the first counters in whole groups of the lanes; returns how many were made.
std::size_t FillAvx2(std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                     std::size_t count, std::uint64_t *even, std::uint64_t *odd);
std::size_t FillAvx512(std::uint32_t seed, std::uint32_t stream, std::uint64_t counter,
                       std::size_t count, std::uint64_t *even, std::uint64_t *odd);

} // namespace spi::philox

#endif

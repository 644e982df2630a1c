// The model's random generator: a 32-bit linear congruential generator,
// seed := seed*134775813 + 1 (mod 2^32); the new seed gives the value.
// The source, the generators and the inner codes draw only from it, and the order of the draws
// is part of the behaviour: a run with a given seed is reproducible to the bit.
#pragma once

#include <cstdint>

namespace spi {

struct Random {
    std::uint32_t seed = 0;

    std::uint32_t Next() {
        seed = seed * 134775813u + 1u;
        return seed;
    }
    // seed * 2^-32, in [0, 1); exact in a double.
    double RandomReal() { return static_cast<double>(Next()) * (1.0 / 4294967296.0); }
    // floor(seed * m / 2^32), in 0 .. m-1 for m > 0.
    std::int32_t RandomInt(std::int32_t m) {
        const std::uint64_t s = Next();
        return static_cast<std::int32_t>(
            (s * static_cast<std::uint64_t>(static_cast<std::uint32_t>(m))) >> 32);
    }
};

// The seed that Randomize takes from the clock: hours, minutes, seconds and milliseconds of the
// current local time, as one count of milliseconds since midnight.
std::uint32_t ClockSeed();

} // namespace spi

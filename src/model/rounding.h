// Rounding of reals to integers as the model does it: half to even.
#pragma once

#include <cmath>

namespace spi {

inline long double RoundHalfEven(long double x) {
    const long double f = std::floor(x);
    const long double diff = x - f;
    if (diff > 0.5L)
        return f + 1;
    if (diff < 0.5L)
        return f;
    return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

} // namespace spi

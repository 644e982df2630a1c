// Number formatting shared by every window and the report: Str(x:w:d) writes x in fixed notation
// with exactly d decimals, right-aligned in at least w characters (a wider value takes the room it
// needs); an integer i:w is right-aligned in at least w characters.
#pragma once

#include <cstdint>
#include <string>

namespace spi {

std::string FormatFixed(double x, int width, int decimals);
std::string FormatFixed(long double x, int width, int decimals);
std::string FormatInt(std::int64_t value, int width = 0);

} // namespace spi

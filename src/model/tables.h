// The two built-in reference tables of the model.
#pragma once

#include <array>
#include <cstdint>

namespace spi {

inline constexpr int kBchRows = 87;
inline constexpr int kTapRows = 170;

struct BchRow {
    std::int32_t t; // correctable errors
    std::int32_t n;
    std::int32_t k;
    const char *g; // generator polynomial in octal
};

struct TapRow {
    std::int32_t J;   // number of taps
    std::int32_t m;   // memory as the table holds it
    const char *taps; // tap positions, "0,..."
};

// Rows are 1-based; element 0 is empty.
extern const std::array<BchRow, kBchRows + 1> kBchTable;
extern const std::array<TapRow, kTapRows + 1> kTapTable;

} // namespace spi

// The extended precision of the theory's recursions, as the native build has it: long double,
// whose significand on x86-64 is 64 bits. A browser build's long double carries 113 bits; there
// every operation is rounded back to 64 bits (to nearest, ties to even), so that both builds give
// the same doubles in the end. (SPI_ROUNDED_EXTENDED gives the rounded form natively as well, where
// it must change nothing: a check that no operation escapes it.)
#pragma once

#include <cmath>

namespace spi {

#if defined(__EMSCRIPTEN__) || defined(SPI_ROUNDED_EXTENDED)

// x with its significand rounded to 64 bits.
inline long double RoundTo64Bits(long double x) {
    if (x == 0 || !std::isfinite(x))
        return x;
    int e = 0;
    const long double m = std::frexp(x, &e); // x = m * 2^e, 0.5 <= |m| < 1
    return std::ldexp(std::nearbyint(std::ldexp(m, 64)), e - 64);
}

class ExtendedReal {
public:
    ExtendedReal() = default;
    constexpr ExtendedReal(long double v) : v_(v) {} // NOLINT: a number like any other

    explicit operator long double() const { return v_; }
    explicit operator double() const { return static_cast<double>(v_); }

    friend ExtendedReal operator+(ExtendedReal a, ExtendedReal b) { return Of(a.v_ + b.v_); }
    friend ExtendedReal operator-(ExtendedReal a, ExtendedReal b) { return Of(a.v_ - b.v_); }
    friend ExtendedReal operator*(ExtendedReal a, ExtendedReal b) { return Of(a.v_ * b.v_); }
    friend ExtendedReal operator/(ExtendedReal a, ExtendedReal b) { return Of(a.v_ / b.v_); }
    ExtendedReal operator-() const { return ExtendedReal(-v_); }
    ExtendedReal &operator+=(ExtendedReal b) { return *this = *this + b; }
    ExtendedReal &operator-=(ExtendedReal b) { return *this = *this - b; }
    ExtendedReal &operator*=(ExtendedReal b) { return *this = *this * b; }
    ExtendedReal &operator/=(ExtendedReal b) { return *this = *this / b; }
    friend bool operator<(ExtendedReal a, ExtendedReal b) { return a.v_ < b.v_; }
    friend bool operator>(ExtendedReal a, ExtendedReal b) { return a.v_ > b.v_; }
    friend bool operator<=(ExtendedReal a, ExtendedReal b) { return a.v_ <= b.v_; }
    friend bool operator>=(ExtendedReal a, ExtendedReal b) { return a.v_ >= b.v_; }
    friend bool operator==(ExtendedReal a, ExtendedReal b) { return a.v_ == b.v_; }
    friend bool operator!=(ExtendedReal a, ExtendedReal b) { return a.v_ != b.v_; }

private:
    static ExtendedReal Of(long double v) { return ExtendedReal(RoundTo64Bits(v)); }
    long double v_ = 0;
};

#else

using ExtendedReal = long double;

#endif

} // namespace spi

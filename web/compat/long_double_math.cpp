// long double in WebAssembly is IEEE binary128, computed in software; the C library of Debian's
// Emscripten answers logl, expl and sqrtl with the double functions, which leaves the engine's
// long double formulas (entropies, the discrete channel, the half-widths) with a double's
// precision where the x86 build has 64 bits. These give them the full precision of the type, so
// that the doubles the engine rounds them to are those of the native build.
#include <cfloat>
#include <cmath>

namespace {

static_assert(LDBL_MANT_DIG == 113, "binary128 long double");

// 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...), |s| <= 0.18.
long double TwoAtanh(long double s) {
    const long double s2 = s * s;
    long double term = s, sum = s;
    for (int k = 3; k < 200; k += 2) {
        term *= s2;
        const long double next = sum + term / k;
        if (next == sum)
            break;
        sum = next;
    }
    return 2 * sum;
}

long double Ln2() {
    static const long double ln2 = TwoAtanh(1.0L / 3.0L); // ln 2 = 2 atanh(1/3)
    return ln2;
}

} // namespace

extern "C" long double sqrtl(long double x) {
    if (!(x > 0) || std::isinf(x))
        return x == 0 || std::isinf(x) ? x : NAN;
    long double y = std::sqrt(static_cast<double>(x));
    for (int i = 0; i < 3; ++i)
        y = (y + x / y) / 2;
    return y;
}

extern "C" long double logl(long double x) {
    if (std::isnan(x) || x < 0)
        return NAN;
    if (x == 0)
        return -INFINITY;
    if (std::isinf(x))
        return x;
    int e = 0;
    long double m = std::frexp(x, &e); // x = m 2^e, m in [1/2, 1)
    if (m < 0.70710678118654752440L) {
        m *= 2;
        --e;
    }
    return e * Ln2() + TwoAtanh((m - 1) / (m + 1));
}

extern "C" long double expl(long double x) {
    if (std::isnan(x))
        return x;
    if (x > 11357)
        return INFINITY;
    if (x < -11500)
        return 0;
    // x = k ln 2 + r, |r| <= ln 2 / 2; e^r from r / 2^10 by Taylor's series, squared 10 times.
    const long double k = std::nearbyint(x / Ln2());
    const long double r = (x - k * Ln2()) / 1024;
    long double term = 1, sum = 1;
    for (int i = 1; i < 60; ++i) {
        term *= r / i;
        const long double next = sum + term;
        if (next == sum)
            break;
        sum = next;
    }
    for (int i = 0; i < 10; ++i)
        sum *= sum;
    return std::ldexp(sum, static_cast<int>(k));
}

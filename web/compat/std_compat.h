// Included before every source of the browser build (-include): what the C++ library of Debian's
// Emscripten (libc++ 13) lacks of C++20 and the engine uses: std::bit_cast and the
// floating-point std::to_chars / std::from_chars. Each follows the standard's wording: to_chars
// with a format and a precision writes what printf writes, without one the shortest text that
// reads back to the same double (fixed when it is no longer than scientific); from_chars reads
// what strtod reads of the pattern the format allows, in the "C" locale.
#pragma once

#include <bit>
#include <charconv>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace std {

template <class To, class From> constexpr To bit_cast(const From &from) noexcept {
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}

} // namespace std

namespace spi_compat {

inline std::to_chars_result Put(char *first, char *last, const char *text, std::size_t n) {
    if (static_cast<std::size_t>(last - first) < n)
        return {last, std::errc::value_too_large};
    std::memcpy(first, text, n);
    return {first + n, std::errc{}};
}

// The digits of the shortest round trip (no trailing zeros) and the decimal exponent of the
// first; v finite and not zero, without its sign.
inline int ShortestDigits(double v, std::string &digits) {
    char buf[40];
    for (int p = 1; p <= 17; ++p) {
        std::snprintf(buf, sizeof buf, "%.*e", p - 1, v);
        if (std::strtod(buf, nullptr) == v || p == 17)
            break;
    }
    const char *e = std::strchr(buf, 'e');
    digits.clear();
    for (const char *c = buf; c < e; ++c)
        if (*c != '.')
            digits += *c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    return std::atoi(e + 1);
}

inline std::string ShortestText(double v) {
    std::string digits;
    const int exp = ShortestDigits(v, digits);
    const int len = static_cast<int>(digits.size());
    std::string sci = digits.substr(0, 1);
    if (len > 1)
        sci += "." + digits.substr(1);
    char e[8];
    std::snprintf(e, sizeof e, "e%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    sci += e;
    std::string fixed;
    if (exp >= len - 1)
        fixed = digits + std::string(static_cast<std::size_t>(exp - (len - 1)), '0');
    else if (exp >= 0)
        fixed = digits.substr(0, static_cast<std::size_t>(exp + 1)) + "." +
                digits.substr(static_cast<std::size_t>(exp + 1));
    else
        fixed = "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
    return fixed.size() <= sci.size() ? fixed : sci;
}

inline std::to_chars_result Special(char *first, char *last, double v) {
    std::string text = std::signbit(v) ? "-" : "";
    text += std::isnan(v) ? "nan" : std::isinf(v) ? "inf" : "0";
    return Put(first, last, text.data(), text.size());
}

// The length of the longest prefix of [first, last) that the format allows, 0 if none.
inline std::size_t NumberPrefix(const char *first, const char *last, std::chars_format fmt) {
    const char *c = first;
    if (c < last && *c == '-')
        ++c;
    for (const char *word : {"infinity", "inf", "nan"}) {
        const std::size_t n = std::strlen(word);
        if (static_cast<std::size_t>(last - c) >= n && strncasecmp(c, word, n) == 0)
            return static_cast<std::size_t>(c + n - first);
    }
    std::size_t mantissa = 0;
    while (c < last && *c >= '0' && *c <= '9')
        ++c, ++mantissa;
    if (c < last && *c == '.')
        for (++c; c < last && *c >= '0' && *c <= '9'; ++c)
            ++mantissa;
    if (mantissa == 0)
        return 0;
    const char *beforeExp = c;
    if (fmt != std::chars_format::fixed && c < last && (*c == 'e' || *c == 'E')) {
        const char *d = c + 1;
        if (d < last && (*d == '+' || *d == '-'))
            ++d;
        const char *digits = d;
        while (d < last && *d >= '0' && *d <= '9')
            ++d;
        if (d > digits)
            c = d;
    }
    if (fmt == std::chars_format::scientific && c == beforeExp)
        return 0;
    return static_cast<std::size_t>(c - first);
}

} // namespace spi_compat

namespace std {

inline to_chars_result to_chars(char *first, char *last, double v) {
    if (!std::isfinite(v) || v == 0)
        return spi_compat::Special(first, last, v);
    std::string text = std::signbit(v) ? "-" : "";
    text += spi_compat::ShortestText(std::fabs(v));
    return spi_compat::Put(first, last, text.data(), text.size());
}

inline to_chars_result to_chars(char *first, char *last, double v, chars_format fmt,
                                int precision) {
    if (!std::isfinite(v))
        return spi_compat::Special(first, last, v);
    const char *pattern = fmt == chars_format::fixed        ? "%.*f"
                          : fmt == chars_format::scientific ? "%.*e"
                                                            : "%.*g";
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, pattern, precision, v);
    if (n < 0 || n >= static_cast<int>(sizeof buf))
        return {last, errc::value_too_large};
    return spi_compat::Put(first, last, buf, static_cast<std::size_t>(n));
}

inline from_chars_result from_chars(const char *first, const char *last, double &value,
                                    chars_format fmt = chars_format::general) {
    const std::size_t n = spi_compat::NumberPrefix(first, last, fmt);
    if (n == 0)
        return {first, errc::invalid_argument};
    const std::string text(first, n);
    errno = 0;
    const double v = std::strtod(text.c_str(), nullptr);
    if (errno == ERANGE && (std::isinf(v) || v == 0))
        return {first + n, errc::result_out_of_range};
    value = v;
    return {first + n, errc{}};
}

} // namespace std

#endif

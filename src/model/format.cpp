#include "model/format.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace spi {

std::string FormatFixed(long double x, int width, int decimals) {
    if (decimals < 0)
        decimals = 0;
    if (width < 0)
        width = 0;
    if (std::isnan(x))
        return std::string(width > 3 ? width - 3 : 0, ' ') + "Nan";
    if (std::isinf(x)) {
        const char *t = x > 0 ? "+Inf" : "-Inf";
        return std::string(width > 4 ? width - 4 : 0, ' ') + t;
    }
    char small[128];
    const int needed = std::snprintf(small, sizeof small, "%*.*Lf", width, decimals, x);
    if (needed < static_cast<int>(sizeof small))
        return std::string(small, static_cast<std::size_t>(needed));
    std::vector<char> buf(static_cast<std::size_t>(needed) + 1);
    std::snprintf(buf.data(), buf.size(), "%*.*Lf", width, decimals, x);
    return std::string(buf.data(), static_cast<std::size_t>(needed));
}

std::string FormatFixed(double x, int width, int decimals) {
    return FormatFixed(static_cast<long double>(x), width, decimals);
}

std::string FormatInt(std::int64_t value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

} // namespace spi

#include "model/text_input.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace spi {

namespace {
std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}
} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::string_view s = Trim(text);
    if (s.empty())
        return std::nullopt;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string InvalidIntegerMessage(std::string_view text) {
    return "'" + std::string(text) + "' - недопустимое целое число.";
}

double ReadDialogReal(std::string_view text) {
    std::string s(Trim(text));
    if (s.empty())
        return 0.0;
    for (char &c : s)
        if (c == ',')
            c = '.';
    std::string_view digits = s;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    double v = 0.0;
    // from_chars does not depend on the process locale, which a windowing toolkit may change.
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v,
                                           std::chars_format::general);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(v))
        return 0.0;
    return v;
}

std::optional<double> ParseFiniteReal(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double v = 0.0;
    const char *end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, v, std::chars_format::general);
    if (ec != std::errc() || stop != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace spi

// Conversions of the texts that the dialogs read back into the model.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spi {

// A decimal integer field: optional blanks around an optional sign and digits, within the 32-bit
// range; anything else is not an integer.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// The message shown when an integer field holds something else; the command is then abandoned.
std::string InvalidIntegerMessage(std::string_view text);

// A real-valued channel field: an empty field reads as 0; a number is read as written (a decimal
// point or comma); text that is not a number yields 0, because the channel dialogs never reject
// a field.
double ReadDialogReal(std::string_view text);

// A number written out in full, as spi-sim's options and the fields set by name take it: an
// optional '+' before what std::from_chars reads (a sign, digits, a point, an exponent), the whole
// text and nothing else; no blanks, no comma; nullopt for anything else and for a result that is
// not finite.
std::optional<double> ParseFiniteReal(std::string_view text);

// A whole number written out in full that fits T: an optional '-' (for a signed T) and digits, the
// whole text; no blanks and no '+'.
template <class T> std::optional<T> ParseWholeNumber(std::string_view text) {
    T value{};
    const char *end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace spi

// Conversions of the texts that the dialogs read back into the model.
#pragma once

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

} // namespace spi

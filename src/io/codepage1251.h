// The one converter between the program's UTF-8 strings and code page 1251, the code page of the
// report and the data file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace spi {

// nullopt when the text holds a character that 1251 cannot represent (or is not valid UTF-8);
// *offending then receives that character (or the bad bytes) for the message.
std::optional<std::string> Utf8ToCp1251(std::string_view utf8, std::string *offending = nullptr);
// nullopt for the one byte that 1251 leaves undefined (0x98).
std::optional<std::string> Cp1251ToUtf8(std::string_view cp1251);

} // namespace spi

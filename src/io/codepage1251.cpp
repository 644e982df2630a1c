#include "io/codepage1251.h"

#include <array>
#include <cstdint>

namespace spi {
namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are А..я (U+0410..U+044F) in alphabetical
// order. 0 marks 0x98, the one byte the code page leaves undefined.
constexpr std::array<char32_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

char32_t ByteToCodePoint(std::uint8_t b) {
    if (b < 0x80)
        return b;
    if (b >= 0xC0)
        return 0x0410 + (b - 0xC0);
    return kUpperHalf[b - 0x80];
}

// The byte for a code point, or -1 when 1251 has none. The table is small enough that a linear
// search of 64 entries costs nothing beside the file I/O around it.
int CodePointToByte(char32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<int>(0xC0 + (cp - 0x0410));
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i)
        if (kUpperHalf[i] != 0 && kUpperHalf[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        // Every code point of the table lies below U+10000.
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[pos]; on success advances pos past it and len holds its
// length. Overlong forms, surrogates and values above U+10FFFF are refused like any other
// malformed sequence.
bool DecodeUtf8(std::string_view text, std::size_t &pos, char32_t &cp, std::size_t &len) {
    const auto lead = static_cast<std::uint8_t>(text[pos]);
    std::size_t need = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        cp = lead;
        len = 1;
        ++pos;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        len = 1;
        return false;
    }
    len = 1;
    for (std::size_t i = 1; i <= need; ++i) {
        if (pos + i >= text.size())
            return false;
        const auto b = static_cast<std::uint8_t>(text[pos + i]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
        len = i + 1;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    pos += len;
    return true;
}

} // namespace

std::optional<std::string> Utf8ToCp1251(std::string_view utf8, std::string *offending) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        char32_t cp = 0;
        std::size_t len = 0;
        const bool valid = DecodeUtf8(utf8, pos, cp, len);
        const int byte = valid ? CodePointToByte(cp) : -1;
        if (byte < 0) {
            // A whole character that 1251 lacks is reported as itself; malformed UTF-8 as its
            // one byte where decoding failed, so a caller can tell the two apart by the length.
            if (offending != nullptr)
                *offending = std::string(utf8.substr(start, valid ? len : 1));
            return std::nullopt;
        }
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

std::optional<std::string> Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (const char c : cp1251) {
        const char32_t cp = ByteToCodePoint(static_cast<std::uint8_t>(c));
        if (cp == 0 && c != '\0')
            return std::nullopt;
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace spi

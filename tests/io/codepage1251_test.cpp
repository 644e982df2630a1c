#include "io/codepage1251.h"

#include <gtest/gtest.h>

namespace spi {
namespace {

std::string Bytes(std::initializer_list<unsigned> list) {
    std::string s;
    for (const unsigned b : list)
        s.push_back(static_cast<char>(b));
    return s;
}

TEST(Codepage1251, CyrillicAlphabetMapsToItsBytesAndBack) {
    const std::string upper = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
    const std::string lower = "абвгдежзийклмнопрстуфхцчшщъыьэюя";
    std::string expected;
    for (unsigned b = 0xC0; b <= 0xFF; ++b)
        expected.push_back(static_cast<char>(b));
    expected += Bytes({0xA8, 0xB8});

    const auto cp = Utf8ToCp1251(upper + lower + "Ёё");
    ASSERT_TRUE(cp.has_value());
    EXPECT_EQ(*cp, expected);
    EXPECT_EQ(Cp1251ToUtf8(*cp), upper + lower + "Ёё");
}

TEST(Codepage1251, SymbolsOfTheUpperHalfSitWhereTheCodePageHasThem) {
    const struct {
        const char *utf8;
        unsigned byte;
    } pairs[] = {{"Ђ", 0x80},      {"€", 0x88}, {"—", 0x97}, {"–", 0x96}, {"™", 0x99},
                 {"\u00A0", 0xA0}, {"Ґ", 0xA5}, {"«", 0xAB}, {"ґ", 0xB4}, {"№", 0xB9},
                 {"»", 0xBB},      {"ї", 0xBF}, {"Ў", 0xA1}, {"„", 0x84}};
    for (const auto &p : pairs) {
        EXPECT_EQ(Utf8ToCp1251(p.utf8), Bytes({p.byte})) << p.utf8;
        EXPECT_EQ(Cp1251ToUtf8(Bytes({p.byte})), p.utf8) << std::hex << p.byte;
    }
}

TEST(Codepage1251, EveryDefinedByteRoundTripsAndAsciiPassesUnchanged) {
    std::string all;
    for (unsigned b = 0; b <= 0xFF; ++b)
        if (b != 0x98)
            all.push_back(static_cast<char>(b));
    const auto utf8 = Cp1251ToUtf8(all);
    ASSERT_TRUE(utf8.has_value());
    EXPECT_EQ(Utf8ToCp1251(*utf8), all);

    const std::string ascii = Bytes({0x00, 0x01, '\t', '\n', 0x1F, ' ', '0', 'A', 'z', '~', 0x7F});
    EXPECT_EQ(Cp1251ToUtf8(ascii), ascii);
    EXPECT_EQ(Utf8ToCp1251(ascii), ascii);
}

TEST(Codepage1251, RefusesWhatItCannotHold) {
    std::string offending;
    EXPECT_FALSE(Utf8ToCp1251("g(x)=中13", &offending).has_value());
    EXPECT_EQ(offending, "中");
    EXPECT_FALSE(Utf8ToCp1251("😀", &offending).has_value());
    EXPECT_EQ(offending, "😀");

    // Malformed UTF-8: a stray continuation, a cut-off sequence, an overlong form, a surrogate.
    for (const std::string &bad : {Bytes({0x80}), Bytes({0xD0}), Bytes({0xC0, 0x80}),
                                   Bytes({0xED, 0xA0, 0x80}), Bytes({0xF4, 0x90, 0x80, 0x80})}) {
        offending.clear();
        EXPECT_FALSE(Utf8ToCp1251("a" + bad + "b", &offending).has_value());
        EXPECT_EQ(offending, bad.substr(0, 1));
    }

    EXPECT_FALSE(Cp1251ToUtf8(Bytes({'3', 0x98, '5'})).has_value());
}

} // namespace
} // namespace spi

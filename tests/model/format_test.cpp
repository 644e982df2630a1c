#include "model/format.h"
#include "model/text_input.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatFixed, WidthDecimalsAndOverflow) {
    EXPECT_EQ(spi::FormatFixed(0.5, 6, 4), "0.5000");
    EXPECT_EQ(spi::FormatFixed(0.12, 10, 8), "0.12000000");
    EXPECT_EQ(spi::FormatFixed(3.0, 5, 1), "  3.0");
    EXPECT_EQ(spi::FormatFixed(123456.5, 3, 1), "123456.5"); // takes the room it needs
    EXPECT_EQ(spi::FormatFixed(-0.25, 8, 3), "  -0.250");
    EXPECT_EQ(spi::FormatFixed(0.3940000000, 12, 10), "0.3940000000");
    EXPECT_EQ(spi::FormatFixed(2000.0, 8, 1), "  2000.0");
}

TEST(FormatInt, RightAligned) {
    EXPECT_EQ(spi::FormatInt(1, 3), "  1");
    EXPECT_EQ(spi::FormatInt(1234, 2), "1234");
    EXPECT_EQ(spi::FormatInt(-5), "-5");
}

TEST(TextInput, IntegersAreStrict) {
    EXPECT_EQ(spi::ParseInteger("  42 "), 42);
    EXPECT_EQ(spi::ParseInteger("-7"), -7);
    EXPECT_EQ(spi::ParseInteger("+3"), 3);
    EXPECT_EQ(spi::ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(spi::ParseInteger("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(spi::ParseInteger("2147483648"));
    EXPECT_FALSE(spi::ParseInteger(""));
    EXPECT_FALSE(spi::ParseInteger("1.5"));
    EXPECT_FALSE(spi::ParseInteger("12a"));
    EXPECT_FALSE(spi::ParseInteger("-"));
    EXPECT_FALSE(spi::ParseInteger("99999999999999999999"));
}

TEST(TextInput, DialogRealsReadEmptyAndBadTextAsZero) {
    EXPECT_EQ(spi::ReadDialogReal(""), 0.0);
    EXPECT_EQ(spi::ReadDialogReal("   "), 0.0);
    EXPECT_EQ(spi::ReadDialogReal("0.5000"), 0.5);
    EXPECT_EQ(spi::ReadDialogReal(" 0,25"), 0.25);
    EXPECT_EQ(spi::ReadDialogReal("+3.0"), 3.0);
    EXPECT_EQ(spi::ReadDialogReal("abc"), 0.0);
    EXPECT_EQ(spi::ReadDialogReal("nan"), 0.0);
    EXPECT_EQ(spi::ReadDialogReal("1e999"), 0.0);
}

// Options and fields set by name are written out in full: unlike a dialog's field, no blanks, no
// comma, no '+' before a whole number; scripts rely on a typing error being refused, not read as 0.
TEST(TextInput, WrittenNumbersAreTakenWholeOrRefused) {
    EXPECT_EQ(spi::ParseFiniteReal("+2.5e-1"), 0.25);
    EXPECT_EQ(spi::ParseFiniteReal("-.5"), -0.5);
    for (const char *bad : {"", "+", " 1", "1 ", "0,5", "1e999", "inf", "nan", "0x10", "++1"})
        EXPECT_FALSE(spi::ParseFiniteReal(bad)) << bad;
    EXPECT_EQ(spi::ParseWholeNumber<int>("-7"), -7);
    EXPECT_EQ(spi::ParseWholeNumber<std::uint32_t>("4294967295"), 4294967295u);
    for (const char *bad : {"", "+5", " 5", "5.0", "2147483648"})
        EXPECT_FALSE(spi::ParseWholeNumber<int>(bad)) << bad;
    EXPECT_FALSE(spi::ParseWholeNumber<std::uint32_t>("-0"));
}

} // namespace

#include "coding/gen_poly_parser.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace spi {
namespace {

const std::string kInputError = "Ошибка ввода g(x).";
const std::string kRepeated = "В наборе g(x) имеются одинаковые степени";
const std::string kUnequal = "В наборе g(x) многочлены разной длины ";

struct Parsed {
    std::vector<int> terms;
    RecordingNotifier notes;
};

Parsed Parse(ModelState &m, const std::string &text, std::uint16_t codeType = 0) {
    m.genPolyText = text;
    m.codeType = codeType;
    Parsed p;
    parseGenPoly(m, p.notes);
    p.terms.assign(m.genPolyTerms.begin(), m.genPolyTerms.begin() + m.genPolyTermCount);
    return p;
}

bool AllTermsZero(const ModelState &m) {
    for (const auto t : m.genPolyTerms)
        if (t != 0)
            return false;
    return true;
}

TEST(GenPolyParser, OctalTextsGiveTheirExponentsInAscendingOrder) {
    auto m = MakeModel();
    const struct {
        const char *text;
        std::vector<int> terms;
    } cases[] = {
        {"5343", {0, 1, 5, 6, 7, 9, 11}},
        {"35", {0, 2, 3, 4}},
        {"427", {0, 1, 2, 4, 8}},
        {"71", {0, 3, 4, 5}},
        {"31", {0, 3, 4}},
        {"13", {0, 1, 3}}, // x^3 + x + 1, not x^3 + x^2 + 1
        {"0013", {0, 1, 3}},
    };
    for (const auto &c : cases) {
        const Parsed p = Parse(*m, c.text);
        EXPECT_EQ(p.terms, c.terms) << c.text;
        EXPECT_TRUE(p.notes.entries.empty()) << c.text;
    }
}

TEST(GenPolyParser, CommaListsReadEveryPieceButATrailingEmptyOne) {
    auto m = MakeModel();
    EXPECT_EQ(Parse(*m, "0,2,5,6").terms, (std::vector<int>{0, 2, 5, 6}));
    EXPECT_EQ(Parse(*m, "0,2,5,6,").terms, (std::vector<int>{0, 2, 5, 6}));
    EXPECT_EQ(Parse(*m, "0,,3").terms, (std::vector<int>{0, 0, 3}));
    // The selection panel's form: a blank after each colon, a comma after each polynomial.
    EXPECT_EQ(Parse(*m, " 0,2,5,6, 0,8,9,12,").terms, (std::vector<int>{0, 2, 5, 6, 0, 8, 9, 12}));
    // Reading stops at the first character that is not a digit; no digits read as 0.
    EXPECT_EQ(Parse(*m, "0,7x,-4").terms, (std::vector<int>{0, 7, 0}));
    EXPECT_EQ(Parse(*m, "0,2147483647").terms, (std::vector<int>{0, 2147483647}));
}

TEST(GenPolyParser, RefusedTextsGiveTheInputErrorAndNoExponents) {
    auto m = MakeModel();
    // 36: no x^0 term; 19: not octal; the rest hold characters that are not octal digits, which
    // are refused rather than read by their character codes; the last piece does not fit 32 bits.
    for (const char *text : {"36", "19", "нет", "3a5", " 35", "35 ", "0,99999999999"}) {
        m->genPolyTerms.fill(9);
        const Parsed p = Parse(*m, text);
        EXPECT_EQ(m->genPolyTermCount, 0) << text;
        EXPECT_TRUE(AllTermsZero(*m)) << text;
        ASSERT_EQ(p.notes.entries.size(), 1u) << text;
        EXPECT_EQ(p.notes.entries[0].kind, MessageKind::Error);
        EXPECT_EQ(p.notes.entries[0].text, kInputError);
    }
}

TEST(GenPolyParser, EmptyTextWarnsAndKeepsTheOldExponents) {
    auto m = MakeModel();
    Parse(*m, "35");
    const Parsed p = Parse(*m, "", 7);
    EXPECT_EQ(m->genPolyTermCount, 0);
    EXPECT_EQ(m->genPolyTerms[3], 4);      // left as it was
    ASSERT_EQ(p.notes.entries.size(), 1u); // and no set check without exponents
    EXPECT_EQ(p.notes.entries[0].kind, MessageKind::Warning);
    EXPECT_EQ(p.notes.entries[0].text, kInputError);
}

TEST(GenPolyParser, ViterbiTypesParseNothing) {
    auto m = MakeModel();
    for (std::uint16_t type : {8, 9, 10}) {
        Parse(*m, "35");
        const Parsed p = Parse(*m, "нет", type);
        EXPECT_EQ(m->genPolyTermCount, 0);
        EXPECT_TRUE(AllTermsZero(*m));
        EXPECT_TRUE(p.notes.entries.empty());
        EXPECT_EQ(Parse(*m, "0,2,5,6", type).terms.size(), 0u);
    }
}

TEST(GenPolyParser, PolynomialSetsAreCheckedForRepeatsAndLengths) {
    auto m = MakeModel();
    for (std::uint16_t type : {7, 12, 15, 16}) {
        Parsed p = Parse(*m, "0,2,5,6,0,1,3", type);
        ASSERT_EQ(p.notes.entries.size(), 1u);
        EXPECT_EQ(p.notes.entries[0].kind, MessageKind::Error);
        EXPECT_EQ(p.notes.entries[0].text, kUnequal);
        EXPECT_EQ(p.terms.size(), 7u); // the messages stop nothing

        p = Parse(*m, "0,2,5,6,0,1,5,7", type);
        ASSERT_EQ(p.notes.entries.size(), 1u);
        EXPECT_EQ(p.notes.entries[0].text, kRepeated);

        EXPECT_TRUE(Parse(*m, "0,2,5,6,0,8,9,12", type).notes.entries.empty());
    }
    // One message per pair: three equal values make three pairs; zeros are never repeats.
    EXPECT_EQ(Parse(*m, "0,5,5,5,0,1,2,3", 7).notes.entries.size(), 3u);
    // Other types make no set checks.
    EXPECT_TRUE(Parse(*m, "0,2,5,6,0,1,5", 0).notes.entries.empty());
}

TEST(GenPolyParser, NeverWritesMoreThan301Exponents) {
    auto m = MakeModel();
    std::string list = "0";
    for (int i = 1; i < 301; ++i)
        list.append(",").append(std::to_string(i));
    Parsed p = Parse(*m, list);
    EXPECT_EQ(p.terms.size(), 301u);
    EXPECT_EQ(p.terms.back(), 300);
    EXPECT_TRUE(p.notes.entries.empty());

    p = Parse(*m, list.append(",301"));
    EXPECT_EQ(m->genPolyTermCount, 0);
    EXPECT_TRUE(p.notes.Has(kInputError));

    // 100 sevens and a one: exponents 0..300, the most there is room for.
    EXPECT_EQ(Parse(*m, std::string("1").append(100, '7')).terms.size(), 301u);
    // 199 sevens would be 597 exponents.
    p = Parse(*m, std::string(199, '7'));
    EXPECT_EQ(m->genPolyTermCount, 0);
    EXPECT_TRUE(AllTermsZero(*m));
    EXPECT_TRUE(p.notes.Has(kInputError));
}

} // namespace
} // namespace spi

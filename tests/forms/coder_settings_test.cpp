#include "forms/coder_settings.h"

#include "model/text_input.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace spi {
namespace {

class CoderSettingsTest : public ::testing::Test {
protected:
    std::unique_ptr<ModelState> model = MakeModel();
    ModelState &m = *model;
    RecordingNotifier notifier;
    CoderSettings cs;

    void Check(int type) { ASSERT_TRUE(cs.CheckType(type, m, notifier)); }
    void Number(std::string_view text) { cs.TypeNumber(text, m, notifier); }
    // g(x), n, k and Cm as the window shows them.
    std::vector<std::string> Fields() const {
        return {cs.GenPoly().text, cs.CodeN().text, cs.CodeK().text, cs.Cm().text};
    }
    std::vector<std::int32_t> Code() const { return {m.codeN, m.codeK, m.codeT}; }
    std::vector<std::int32_t> Terms() const {
        return {m.genPolyTerms.begin(), m.genPolyTerms.begin() + m.genPolyTermCount};
    }
};

TEST_F(CoderSettingsTest, PolynomialListAndCmLabel) {
    ASSERT_EQ(cs.PolynomialList().size(), 170u);
    EXPECT_EQ(cs.PolynomialList()[30], "31: 0,2,5,6");
    EXPECT_EQ(cs.CmLabel(), "Максимальное число итераций Cm:");
    for (int type : {0, 2, 3, 4, 5, 13, 14, 17, 18}) {
        cs.ClearTypeSelection();
        Check(type);
        EXPECT_EQ(cs.CmLabel(), "Макс.число исправляемых ошибок Сm:") << type;
    }
    for (int type : {1, 6, 7, 8, 9, 10, 12, 15, 16}) {
        cs.ClearTypeSelection();
        Check(type);
        EXPECT_EQ(cs.CmLabel(), "Максимальное число итераций  Сm:") << type;
    }
    EXPECT_FALSE(cs.CheckType(11, m, notifier));
}

TEST_F(CoderSettingsTest, NumberPastTheTableIsClampedToTheLastRow) {
    Check(1);
    Number("200");
    EXPECT_EQ(cs.Number().text, "170");
    EXPECT_EQ(m.polyNumbers[0], 170);
    EXPECT_EQ(Fields(), (std::vector<std::string>{"0,7", "14", "7", "5"}));
    EXPECT_EQ(m.tapStrings[0], "0,7,");
    EXPECT_EQ(m.convN0, 2);
    EXPECT_EQ(m.convK0, 1);

    cs.ClearTypeSelection();
    Check(0);
    Number("90");
    EXPECT_EQ(cs.Number().text, "87");
    EXPECT_EQ(cs.GenPoly().text, "35");
    EXPECT_LE(std::stoi(cs.Cm().text), 5);
    Number("12"); // (31,1) corrects 15 errors; the syndrome decoder searches at most 5
    EXPECT_EQ(cs.Cm().text, "5");

    cs.ClearTypeSelection();
    Check(14);
    Number("80");
    EXPECT_EQ(cs.Number().text, "76");
    EXPECT_EQ(Fields(), (std::vector<std::string>{m.bchTable[76].g, "255", "1", "127"}));

    cs.ClearTypeSelection();
    Check(13);
    Number("20");
    EXPECT_EQ(cs.Number().text, "1");
    EXPECT_EQ(m.polyNumbers[0], 1);
    EXPECT_EQ(Fields(), (std::vector<std::string>{"нет", "21", "9", "2"})); // RS (7,3) over GF(8)
}

TEST_F(CoderSettingsTest, NumberThatNamesNoRowChangesNothing) {
    Check(0);
    Number("5");
    const auto before = m.polyNumbers;
    for (const char *text : {"0", "-5", "abc", "5x", "", "-"}) {
        Number(text);
        EXPECT_EQ(m.polyNumbers, before) << text;
        EXPECT_EQ(cs.CodeN().text, "15") << text;
    }
    // Without a type of its own clamp, a number past bchTable reads no row at all.
    cs.OtherCodesOnCyclicPanel();
    Number("200");
    EXPECT_EQ(cs.Number().text, "200");
    EXPECT_EQ(m.polyNumbers, before);
    Number("1234"); // the field holds three characters
    EXPECT_EQ(cs.Number().text, "123");
    Number("87");
    EXPECT_EQ(m.polyNumbers[0], 87);
    EXPECT_EQ(cs.GenPoly().text, "35");
}

TEST_F(CoderSettingsTest, NumberSpinStartsFromThirtyFiveAndStopsAtOne) {
    Check(0);
    cs.NumberUp(m, notifier);
    EXPECT_EQ(cs.Number().text, "36");
    EXPECT_EQ(m.polyNumbers[0], 36);
    Number("");
    cs.NumberDown(m, notifier);
    EXPECT_EQ(cs.Number().text, "34");
    Number("1");
    cs.NumberDown(m, notifier);
    EXPECT_EQ(cs.Number().text, "1");
    Number("-3");
    cs.NumberUp(m, notifier);
    EXPECT_EQ(cs.Number().text, "36");

    // For the non-binary codes 35 is already past the catalogue and falls back to code 1.
    cs.ClearTypeSelection();
    Check(18);
    cs.NumberUp(m, notifier);
    EXPECT_EQ(cs.Number().text, "2");
    EXPECT_EQ(m.polyNumbers[0], 2);
}

TEST_F(CoderSettingsTest, SelectionOfTwoPolynomialsAndTheRate) {
    Check(7);
    EXPECT_EQ(cs.Panel(), CoderPanel::Selection);
    EXPECT_FALSE(cs.RateUp(m)); // nothing selected yet
    EXPECT_EQ(cs.Rate().text, "");

    ASSERT_TRUE(cs.ChoosePolynomial(31, m, notifier));
    ASSERT_TRUE(cs.ChoosePolynomial(32, m, notifier));
    EXPECT_EQ(cs.Selected(), (std::vector<std::string>{"31(4)", "32(4)"}));
    EXPECT_EQ(cs.Total(), "2");
    EXPECT_EQ(m.convPolyIndex, 1);
    EXPECT_EQ(m.convN0, 3);
    EXPECT_EQ(m.polyNumbers[0], 31);
    EXPECT_EQ(m.polyNumbers[1], 32);
    EXPECT_EQ(Fields(), (std::vector<std::string>{" 0,2,5,6, 0,8,9,12,", "36", "12", "6"}));
    EXPECT_EQ(cs.Rate().text, "1/3");
    EXPECT_EQ(m.tapStrings[0], " 0,2,5,6,");

    ASSERT_TRUE(cs.RateUp(m));
    EXPECT_EQ(cs.Rate().text, "2/3");
    EXPECT_EQ(m.convK0, 2);
    EXPECT_EQ(Fields(), (std::vector<std::string>{" 0,2,5,6, 0,8,9,12,", "36", "24", "6"}));
    ASSERT_TRUE(cs.RateDown(m));
    EXPECT_EQ(cs.Rate().text, "1/3");
    EXPECT_EQ(Fields(), (std::vector<std::string>{" 0,2,5,6, 0,8,9,12,", "36", "12", "5"}));
}

TEST_F(CoderSettingsTest, RateSpinWorksAfterResetAndTakesRowOneForAZeroNumber) {
    Check(7);
    ASSERT_TRUE(cs.ChoosePolynomial(31, m, notifier));
    ASSERT_TRUE(cs.ChoosePolynomial(32, m, notifier));
    cs.ResetSelection(m);
    ASSERT_TRUE(cs.RateUp(m)); // the model's n0 and row stay after "Сброс"
    EXPECT_EQ(cs.Rate().text, "2/3");
    EXPECT_EQ(m.convK0, 2);
    EXPECT_EQ(m.polyNumbers[1], 32);
    EXPECT_EQ(Fields(), (std::vector<std::string>{"", "36", "24", "6"}));

    m.polyNumbers[1] = 0;
    ASSERT_TRUE(cs.RateDown(m));
    EXPECT_EQ(m.polyNumbers[1], 1);
    EXPECT_EQ(cs.Rate().text, "1/3");
    const int memory = m.tapTable[1].m;
    EXPECT_EQ(Fields(), (std::vector<std::string>{"", std::to_string(3 * memory),
                                                  std::to_string(memory), "5"}));
}

TEST_F(CoderSettingsTest, SelectionHoldsSevenPolynomials) {
    Check(12);
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(cs.ChoosePolynomial(1 + i, m, notifier));
    m.polyNumbers[7] = 0;
    EXPECT_FALSE(cs.ChoosePolynomial(9, m, notifier));
    EXPECT_TRUE(notifier.Has(kSelectionFullMessage));
    EXPECT_EQ(cs.Selected().size(), 7u);
    EXPECT_EQ(m.convN0, 8);
    EXPECT_EQ(m.polyNumbers[7], 0);
    EXPECT_FALSE(cs.ChoosePolynomial(0, m, notifier));
    EXPECT_FALSE(cs.ChoosePolynomial(171, m, notifier));
}

TEST_F(CoderSettingsTest, ChoosingTheTypeAgainKeepsOldTapsUntilReset) {
    Check(7);
    cs.ChoosePolynomial(31, m, notifier);
    cs.ChoosePolynomial(32, m, notifier);
    cs.CloseSelection();
    Check(1);
    Check(7);
    EXPECT_TRUE(cs.Selected().empty());
    cs.ChoosePolynomial(5, m, notifier);
    EXPECT_EQ(cs.GenPoly().text, " 0,2,3, 0,8,9,12,");

    cs.ResetSelection(m);
    EXPECT_EQ(cs.Total(), "0");
    EXPECT_EQ(cs.GenPoly().text, "");
    EXPECT_EQ(cs.Rate().text, "");
    for (const auto &taps : m.tapStrings)
        EXPECT_EQ(taps, "");
    EXPECT_EQ(m.convN0, 2); // kept by "Сброс"
    EXPECT_EQ(m.polyNumbers[0], 5);
}

TEST_F(CoderSettingsTest, FixedTypesSetTheirCodeAndLockIt) {
    struct Fixed {
        int type;
        const char *g, *n, *k, *cm, *number;
        bool cmEnabled;
    };
    for (const Fixed &f :
         {Fixed{2, "5343", "23", "12", "3", "", false}, Fixed{3, "31", "15", "11", "1", "3", true},
          Fixed{4, "427", "15", "7", "2", "4", true}, Fixed{5, "35", "7", "3", "1", "", true},
          Fixed{6, "71", "10", "5", "2", "", false}, Fixed{8, "нет", "24", "12", "1", "", false},
          Fixed{9, "нет", "36", "24", "1", "", false},
          Fixed{10, "нет", "32", "24", "1", "", false}}) {
        cs.ClearTypeSelection();
        Check(f.type);
        EXPECT_EQ(Fields(), (std::vector<std::string>{f.g, f.n, f.k, f.cm})) << f.type;
        EXPECT_EQ(cs.Number().text, f.number) << f.type;
        EXPECT_FALSE(cs.GenPoly().enabled || cs.Number().enabled || cs.CodeN().enabled ||
                     cs.CodeK().enabled)
            << f.type;
        EXPECT_EQ(cs.Cm().enabled, f.cmEnabled) << f.type;
        EXPECT_FALSE(cs.NumberSpin().visible) << f.type;
    }
    // The number of types 3 and 4 loads its bchTable row before the button's own generator.
    cs.ClearTypeSelection();
    Check(3);
    EXPECT_EQ(m.polyNumbers[0], 3);
    EXPECT_EQ(m.tapStrings[0], "23");

    // A type that takes a number shows and enables its field again.
    cs.ClearTypeSelection();
    Check(16);
    EXPECT_FALSE(cs.Number().visible);
    EXPECT_TRUE(cs.InnerList().visible);
    cs.OtherCodesOnConvolutionalPanel();
    Check(0);
    EXPECT_TRUE(cs.Number().visible && cs.Number().enabled);
    EXPECT_TRUE(cs.NumberSpin().visible && cs.NumberSpin().enabled);
    // The non-binary types keep the field's lock and are driven by the spin button.
    Check(4);
    Check(17);
    EXPECT_FALSE(cs.Number().enabled);
    EXPECT_TRUE(cs.NumberSpin().visible && cs.NumberSpin().enabled);
}

TEST_F(CoderSettingsTest, OtherCodesUnchecksThePanelItLeaves) {
    Check(5);
    cs.OtherCodesOnCyclicPanel();
    EXPECT_FALSE(cs.CheckedType());
    EXPECT_EQ(cs.Panel(), CoderPanel::Convolutional);
    Check(8);
    cs.OtherCodesOnConvolutionalPanel();
    EXPECT_FALSE(cs.CheckedType());
    EXPECT_EQ(cs.Panel(), CoderPanel::Cyclic);
    // A second click on a checked button does nothing.
    Check(0);
    Number("10");
    EXPECT_FALSE(cs.CheckType(0, m, notifier));
    EXPECT_EQ(cs.Number().text, "10");
}

TEST_F(CoderSettingsTest, OpenShowsStoredSettingsAndAcceptTakesThemOver) {
    cs.Open(m, notifier);
    EXPECT_EQ(cs.CheckedType(), 5);
    EXPECT_EQ(Fields(), (std::vector<std::string>{"35", "7", "3", "1"}));
    EXPECT_EQ(cs.Close(m, notifier, true), CoderCloseOutcome::Accepted);
    EXPECT_EQ(Terms(), (std::vector<std::int32_t>{0, 2, 3, 4}));

    // The button is still checked at the next opening, so its defaults are not set again.
    m.codeType = 0;
    cs.Open(m, notifier);
    EXPECT_EQ(cs.CheckedType(), 0);
    Number("10");
    EXPECT_EQ(cs.Close(m, notifier, true), CoderCloseOutcome::Accepted);
    EXPECT_EQ(Code(), (std::vector<std::int32_t>{31, 11, 5}));
    EXPECT_EQ(m.genPolyText, "5423325");
    m.codeN = 63;
    cs.Open(m, notifier);
    EXPECT_EQ(cs.Number().text, "10");
    EXPECT_EQ(cs.CodeN().text, "63");
    cs.Close(m, notifier, false);
}

TEST_F(CoderSettingsTest, CancelKeepsTheModelButParsesAgain) {
    cs.Open(m, notifier);
    cs.OtherCodesOnCyclicPanel();
    Check(1);
    Number("31");
    cs.TypeInnerList("3,4");
    m.genPolyTerms.fill(9);
    m.genPolyTermCount = 0;
    EXPECT_EQ(cs.Close(m, notifier, false), CoderCloseOutcome::Cancelled);
    EXPECT_EQ(m.codeType, 5);
    EXPECT_EQ(Code(), (std::vector<std::int32_t>{7, 3, 1}));
    EXPECT_EQ(m.genPolyText, "35");
    EXPECT_EQ(m.innerPolyList, "");
    EXPECT_EQ(Terms(), (std::vector<std::int32_t>{0, 2, 3, 4}));
    // The number entry wrote its fields at once.
    EXPECT_EQ(m.polyNumbers[0], 31);
    EXPECT_EQ(m.convN0, 2);
}

TEST_F(CoderSettingsTest, NonIntegerStopsTheTakingOverAndTheParser) {
    cs.Open(m, notifier);
    Check(0);
    Number("3");
    cs.TypeCodeK("1x");
    m.genPolyTermCount = 77;
    EXPECT_EQ(cs.Close(m, notifier, true), CoderCloseOutcome::InvalidNumber);
    EXPECT_TRUE(notifier.Has(InvalidIntegerMessage("1x")));
    EXPECT_EQ(m.codeType, 0);
    EXPECT_EQ(m.genPolyText, "23");
    EXPECT_EQ(Code(), (std::vector<std::int32_t>{15, 3, 1})); // k and Cm not taken
    EXPECT_EQ(m.genPolyTermCount, 77);
}

TEST_F(CoderSettingsTest, NonBinaryTypesAreNotParsed) {
    cs.Open(m, notifier);
    Check(17);
    Number("2");
    m.genPolyTermCount = 5;
    EXPECT_EQ(cs.Close(m, notifier, true), CoderCloseOutcome::Accepted);
    EXPECT_EQ(m.codeType, 17);
    EXPECT_EQ(m.genPolyText, "нет");
    EXPECT_EQ(m.genPolyTermCount, 5);
}

TEST_F(CoderSettingsTest, InnerListIsShownAndTakenOverWithTheWindow) {
    m.innerPolyList = "1,2";
    m.codeType = 16;
    cs.Open(m, notifier);
    EXPECT_EQ(cs.InnerList().text, "1,2");
    cs.TypeInnerList("31,32,33,34,35,36,37,38,39,40,41,42");
    EXPECT_EQ(cs.InnerList().text.size(), 30u);
    cs.ChoosePolynomial(31, m, notifier);
    cs.Close(m, notifier, true);
    EXPECT_EQ(m.innerPolyList, "31,32,33,34,35,36,37,38,39,40,");
}

// Random clicks, typing and data-file loads: the window never reads outside its tables or
// holds more than it can show, whatever the order (run under the sanitizers to see the reads).
TEST_F(CoderSettingsTest, RandomActionsKeepTheWindowConsistent) {
    std::mt19937 rng(20240611);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::vector<std::string> numbers{"",    "0",  "1",  "13",  "14",  "35",  "76",
                                           "77",  "87", "88", "170", "171", "255", "256",
                                           "999", "-1", "x",  " 5",  "+9"};
    SilentNotifier quiet;
    const std::vector<std::function<void()>> actions{
        [&] { cs.CheckType(pick(-1, 19), m, quiet); },
        [&] { cs.OtherCodesOnCyclicPanel(); },
        [&] { cs.OtherCodesOnConvolutionalPanel(); },
        [&] { cs.ChoosePolynomial(pick(-1, 172), m, quiet); },
        [&] { cs.ChoosePolynomial(pick(1, 170), m, quiet); },
        [&] { cs.ResetSelection(m); },
        [&] { cs.CloseSelection(); },
        [&] { cs.NumberUp(m, quiet); },
        [&] { cs.NumberDown(m, quiet); },
        [&] { cs.TypeNumber(numbers[pick(0, int(numbers.size()) - 1)], m, quiet); },
        [&] { pick(0, 1) ? cs.RateUp(m) : cs.RateDown(m); },
        [&] { cs.TypeCodeK(pick(0, 1) ? "12" : "k"); },
        [&] { cs.Open(m, quiet); },
        [&] { cs.Close(m, quiet, pick(0, 1) == 1); },
        [&] { // what a data file can bring
            cs.ClearTypeSelection();
            m.codeType = static_cast<std::uint16_t>(pick(0, 40));
            m.polyNumbers[pick(0, 7)] = static_cast<std::uint8_t>(pick(0, 255));
            m.convN0 = pick(-3, 300);
        },
        [&] { m.convPolyIndex = static_cast<std::uint16_t>(pick(0, 20)); },
    };
    for (int step = 0; step < 20000; ++step) {
        actions[pick(0, int(actions.size()) - 1)]();
        ASSERT_LE(cs.Selected().size(), 7u);
        if (const auto type = cs.CheckedType()) {
            ASSERT_TRUE(HasRadioButton(*type));
            const auto n = ParseInteger(cs.Number().text);
            const int last = *type == 1 ? 170 : *type == 0 ? 87 : *type == 14 ? 76 : 13;
            if (n && *n >= 1 && (*type <= 1 || *type == 14 || *type == 13 || *type >= 17)) {
                ASSERT_LE(*n, last) << "type " << *type << " step " << step;
            }
        }
        ASSERT_GE(m.genPolyTermCount, 0);
        ASSERT_LE(m.genPolyTermCount, kPolyTerms);
    }
}

} // namespace
} // namespace spi

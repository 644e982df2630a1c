// spi-sim's code choices acted out in the coder window: refusals that change nothing, and choices
// that end in the code the window would take over.
#include "research/code_choice.h"

#include <gtest/gtest.h>

namespace spi {
namespace {

class CodeChoiceTest : public ::testing::Test {
protected:
    std::unique_ptr<ModelState> model = MakeModel();
    ModelState &m = *model;
    RecordingNotifier notifier;
    CoderSettings cs;

    std::vector<std::int32_t> Code() const { return {m.codeN, m.codeK, m.codeT}; }
    std::vector<std::int32_t> Terms() const {
        return {m.genPolyTerms.begin(), m.genPolyTerms.begin() + m.genPolyTermCount};
    }
};

TEST_F(CodeChoiceTest, BatchChoiceRefusesWhatTheWindowCannotDo) {
    std::string why;
    const std::vector<std::pair<int, std::optional<int>>> refused{
        {11, {}}, {19, {}}, {-1, {}}, {0, {}}, {3, 3}, {7, 31}, {1, 0}, {1, 1000}};
    for (auto [type, number] : refused) {
        why.clear();
        EXPECT_FALSE(ApplyCodeChoice(cs, m, notifier, type, number, &why)) << type;
        EXPECT_FALSE(why.empty()) << type;
    }
    EXPECT_FALSE(cs.IsOpen());
    EXPECT_FALSE(ApplyTaps(cs, m, notifier, {31}, &why)); // type 5 stored
    EXPECT_FALSE(ApplyRate(cs, m, notifier, true, &why));
    ASSERT_TRUE(ApplyCodeChoice(cs, m, notifier, 7, std::nullopt, &why));
    EXPECT_FALSE(ApplyTaps(cs, m, notifier, {1, 2, 3, 4, 5, 6, 7, 8}, &why));
    EXPECT_FALSE(ApplyTaps(cs, m, notifier, {31, 171}, &why));
    EXPECT_FALSE(ApplyRate(cs, m, notifier, true, &why));
    EXPECT_TRUE(notifier.entries.empty());
}

TEST_F(CodeChoiceTest, BatchChoicesEndInTheTakenOverCode) {
    std::string why;
    ASSERT_TRUE(ApplyCodeChoice(cs, m, notifier, 1, 31, &why));
    ASSERT_TRUE(AcceptCoderSettings(cs, m, notifier));
    EXPECT_EQ(m.codeType, 1);
    EXPECT_EQ(m.genPolyText, "0,2,5,6");
    EXPECT_EQ(Code(), (std::vector<std::int32_t>{12, 6, 5}));
    EXPECT_EQ(Terms(), (std::vector<std::int32_t>{0, 2, 5, 6}));

    // The same type again still gets its defaults: a fresh choice, not the last one's fields.
    ASSERT_TRUE(ApplyCodeChoice(cs, m, notifier, 1, 170, &why));
    ASSERT_TRUE(AcceptCoderSettings(cs, m, notifier));
    EXPECT_EQ(m.codeN, 14);

    m.innerPolyList = "5";
    ASSERT_TRUE(ApplyCodeChoice(cs, m, notifier, 16, std::nullopt, &why));
    ASSERT_TRUE(ApplyTaps(cs, m, notifier, {31, 32}, &why));
    ASSERT_TRUE(ApplyRate(cs, m, notifier, true, &why));
    ApplyInnerPolyList(cs, m, "1,2");
    ASSERT_TRUE(AcceptCoderSettings(cs, m, notifier));
    EXPECT_EQ(m.codeType, 16);
    EXPECT_EQ(Code(), (std::vector<std::int32_t>{36, 24, 6}));
    EXPECT_EQ(m.convK0, 2);
    EXPECT_EQ(m.innerPolyList, "1,2");
    EXPECT_EQ(m.genPolyText, " 0,2,5,6, 0,8,9,12,");
    EXPECT_TRUE(notifier.entries.empty());

    // Taps straight after a data file's type: the stored button is checked on opening.
    cs.ClearTypeSelection();
    m.codeType = 15;
    ASSERT_TRUE(ApplyTaps(cs, m, notifier, {5}, &why));
    ASSERT_TRUE(AcceptCoderSettings(cs, m, notifier));
    EXPECT_EQ(m.codeN, 6);
}

} // namespace
} // namespace spi

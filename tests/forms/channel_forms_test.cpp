// What the channel dialogs show and what they write back on "Ввод".
#include "channel/discrete_channel.h"
#include "forms/channel_forms.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

namespace spi {
namespace {

constexpr const char *kBreakWarning = "В данном варианте КВИР перерывы не моделируются.";

TEST(SignalDialogTest, ShowsAndReadsTheProbabilityOfOne) {
    auto m = MakeModel();
    EXPECT_EQ(FillSignalDialog(*m).probOne, "0.5000");
    AcceptSignalDialog(*m, {"0,25"});
    EXPECT_EQ(m->probOne, 0.25);
    AcceptSignalDialog(*m, {""});
    EXPECT_EQ(m->probOne, 0);
    m->probOne = 0.123456;
    EXPECT_EQ(FillSignalDialog(*m).probOne, "0.1235");
}

TEST(ContChannel1DialogTest, FillsTheDefaults) {
    auto m = MakeModel();
    const auto f = FillContChannel1Dialog(*m);
    EXPECT_EQ(f.hp, "3.0000");
    EXPECT_EQ(f.hc, "0.0000");
    EXPECT_EQ(f.h1, "3.0000");
    EXPECT_EQ(f.h2, "0.6000");
    EXPECT_EQ(f.m, " 1");
    EXPECT_EQ(f.q, "0.0100");
    EXPECT_EQ(f.modulator, 0);
    EXPECT_EQ(f.demodulator, 0);
    m->contHp = 12.5;
    EXPECT_EQ(FillContChannel1Dialog(*m).hp, "12.5000");
}

TEST(ContChannel1DialogTest, ModulatorItemFromTheTruncatedCode) {
    auto m = MakeModel();
    m->modMd = 1.0;
    EXPECT_EQ(FillContChannel1Dialog(*m).modulator, 1);
    m->modMd = 2.0;
    EXPECT_EQ(FillContChannel1Dialog(*m).modulator, 2);
    m->modMd = 1.05; // Trunc(10.5) = 10
    EXPECT_EQ(FillContChannel1Dialog(*m).modulator, 1);
    m->modMd = 0.7; // no item: the selection stays
    EXPECT_EQ(FillContChannel1Dialog(*m).modulator, 0);
    m->modMd = 1e300;
    EXPECT_EQ(FillContChannel1Dialog(*m).modulator, 0);
    m->demodDm = 0;
    EXPECT_EQ(FillContChannel1Dialog(*m).demodulator, 1);
}

TEST(ContChannel1DialogTest, AcceptedUnchangedKeepsEverythingAndClearsEntered) {
    auto m = MakeModel();
    m->channelEntered = 1;
    auto f = FillContChannel1Dialog(*m);
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(m->channelEntered, 0);
    EXPECT_EQ(m->contHp, 3.0);
    EXPECT_EQ(m->contHc, 0.0);
    EXPECT_EQ(m->ruThreshold1, 3.0);
    EXPECT_EQ(m->ruThreshold2, 0.6);
    EXPECT_EQ(m->contM, 1);
    EXPECT_EQ(m->contQ, 0.01);
    EXPECT_EQ(m->modMd, 0.5);
    EXPECT_EQ(m->demodDm, 1);
}

TEST(ContChannel1DialogTest, ChangingOnlyQKeepsTypedThresholds) {
    auto m = MakeModel();
    auto f = FillContChannel1Dialog(*m);
    f.h1 = "4.5";
    f.h2 = "1.25";
    f.q = "0.02";
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(m->ruThreshold1, 4.5);
    EXPECT_EQ(m->ruThreshold2, 1.25);
    EXPECT_EQ(m->contQ, 0.02);
    EXPECT_EQ(f.h1, "4.5");
}

TEST(ContChannel1DialogTest, ChangingHpProposesThresholds) {
    auto m = MakeModel();
    auto f = FillContChannel1Dialog(*m);
    f.hp = "5";
    f.hc = "1,5";
    f.h1 = "9";
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(f.h1, "6.5000");
    EXPECT_EQ(f.h2, "1.3000");
    EXPECT_EQ(m->ruThreshold1, 6.5);
    EXPECT_EQ(m->ruThreshold2, 1.3);
    EXPECT_EQ(m->contHp, 5);
    EXPECT_EQ(m->contHc, 1.5);
}

TEST(ContChannel1DialogTest, ChangingMProposesHcTimesM) {
    auto m = MakeModel();
    m->contHc = 1.3;
    auto f = FillContChannel1Dialog(*m);
    f.m = "3";
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(f.h1, "3.9000");
    EXPECT_EQ(f.h2, "0.7800");
    EXPECT_EQ(m->ruThreshold1, 3.9);
    EXPECT_EQ(m->ruThreshold2, 0.78);
    EXPECT_EQ(m->contM, 3);
}

TEST(ContChannel1DialogTest, ProposedThresholdsAreRoundedAsShown) {
    auto m = MakeModel();
    auto f = FillContChannel1Dialog(*m);
    f.hp = "1.23456";
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(m->contHp, 1.23456);
    EXPECT_EQ(m->ruThreshold1, 1.2346);
    EXPECT_EQ(m->ruThreshold2, 0.2469);
}

TEST(ContChannel1DialogTest, RadioGroupsWriteTheCodes) {
    auto m = MakeModel();
    auto f = FillContChannel1Dialog(*m);
    f.modulator = 2;
    f.demodulator = 1;
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(m->modMd, 2.0);
    EXPECT_EQ(m->demodDm, 0);
    f.modulator = 1;
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(m->modMd, 1.0);
}

TEST(ContChannel1DialogTest, DiversityThatIsNotAnIntegerStopsAtM) {
    auto m = MakeModel();
    auto f = FillContChannel1Dialog(*m);
    f.hp = "4";
    f.h1 = "7";
    f.m = "2x";
    f.q = "0.5";
    f.modulator = 2;
    AcceptContChannel1Dialog(*m, f);
    EXPECT_EQ(m->channelEntered, 0);
    EXPECT_EQ(m->contHp, 4);
    EXPECT_EQ(m->ruThreshold1, 7); // no proposal without m
    EXPECT_EQ(m->contM, 1);
    EXPECT_EQ(m->contQ, 0.01);
    EXPECT_EQ(m->modMd, 0.5);
}

TEST(ContChannel2DialogTest, FillsAndAccepts) {
    auto m = MakeModel();
    m->contM = 12;
    auto f = FillContChannel2Dialog(*m);
    EXPECT_EQ(f.hp, " 3.000");
    EXPECT_EQ(f.hc, "0.0000");
    EXPECT_EQ(f.m, "12");
    EXPECT_EQ(f.q, "0.0100");
    EXPECT_EQ(f.modulator, 0);
    EXPECT_EQ(f.demodulator, 0);
    m->channelEntered = 1;
    f.hp = "2.5";
    f.m = "3";
    f.hc = "1";
    f.q = "";
    f.modulator = 1;
    f.demodulator = 1;
    AcceptContChannel2Dialog(*m, f);
    EXPECT_EQ(m->channelEntered, 0);
    EXPECT_EQ(m->contHp, 2.5);
    EXPECT_EQ(m->contM, 3);
    EXPECT_EQ(m->contHc, 1);
    EXPECT_EQ(m->contQ, 0);
    EXPECT_EQ(m->modMd, 1.0);
    EXPECT_EQ(m->demodDm, 0);
    EXPECT_EQ(m->ruThreshold1, 3.0); // not shown, not changed
    EXPECT_EQ(m->ruThreshold2, 0.6);
}

TEST(ContChannel2DialogTest, DiversityThatIsNotAnIntegerStopsAtM) {
    auto m = MakeModel();
    auto f = FillContChannel2Dialog(*m);
    f.hp = "2";
    f.m = "";
    f.hc = "5";
    AcceptContChannel2Dialog(*m, f);
    EXPECT_EQ(m->contHp, 2);
    EXPECT_EQ(m->contM, 1);
    EXPECT_EQ(m->contHc, 0);
}

TEST(DiscChannelDialogTest, OpensWithTheCalculatedChannel) {
    auto m = MakeModel();
    RecordingNotifier n;
    const auto f = OpenDiscChannelDialog(*m, n);
    ASSERT_TRUE(f);
    EXPECT_TRUE(n.entries.empty());
    EXPECT_EQ(m->channelEntered, 1);
    EXPECT_EQ(f->p0, "0.4000000");
    EXPECT_EQ(f->p1, "0.4000000");
    EXPECT_EQ(f->e0, "0.12000000");
    EXPECT_EQ(f->e1, "0.12000000");
    EXPECT_EQ(f->e2, "0.12000000");
    EXPECT_EQ(f->p01, "0.1000000");
    EXPECT_EQ(f->p21, "0.1000000");
    EXPECT_EQ(f->pcpLabel, "  0.12000000");
    EXPECT_EQ(f->pp, "  0.0000000");
}

TEST(DiscChannelDialogTest, KeepsEnteredValuesWhileTheChannelIsEntered) {
    auto m = MakeModel();
    SilentNotifier n;
    CalcDiscreteChannel(*m, n);
    m->discParams[kE1] = 0.333;
    m->discParams[kPcp] = 0.2;
    m->channelEntered = 1;
    const auto f = OpenDiscChannelDialog(*m, n);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->e1, "0.33300000");
    EXPECT_EQ(f->pcpLabel, "  0.20000000");
}

TEST(DiscChannelDialogTest, NoDialogWhenTheMeanErrorIsZero) {
    auto m = MakeModel();
    m->contHp = 51; // the very first calculation fails: everything stays 0
    RecordingNotifier n;
    EXPECT_FALSE(OpenDiscChannelDialog(*m, n));
    EXPECT_TRUE(n.Has("Некорректный ввод!"));
    EXPECT_EQ(m->channelEntered, 0);
}

TEST(DiscChannelDialogTest, AcceptDerivesFromTheFields) {
    auto m = MakeModel();
    RecordingNotifier n;
    auto f = *OpenDiscChannelDialog(*m, n);
    f.p0 = "0.5";
    f.p1 = "0.3";
    f.e0 = "0.001";
    f.e1 = "0.01";
    f.e2 = "0.2";
    f.p01 = "0.02";
    f.p21 = "0.1";
    f.pp = "  0.0000000";
    AcceptDiscChannelDialog(*m, f, n);
    EXPECT_TRUE(n.entries.empty());
    const auto &d = m->discParams;
    EXPECT_EQ(d[kP0], 0.5);
    EXPECT_EQ(d[kE2], 0.2);
    EXPECT_NEAR(d[kP2], 0.2, 1e-15);
    EXPECT_NEAR(d[kP10], 0.02 * 0.5 / 0.3, 1e-15);
    EXPECT_NEAR(d[kP12], 0.1 * 0.2 / 0.3, 1e-15);
    EXPECT_NEAR(d[kPcp], 0.0005 + 0.003 + 0.04, 1e-15);
    EXPECT_GT(d[kCk], 0);
    EXPECT_LT(d[kCk], 1);
}

TEST(DiscChannelDialogTest, AcceptedUnchangedRoundsAsShown) {
    auto m = MakeModel();
    m->contHp = 2;
    m->contHc = 1;
    m->ruThreshold1 = 3;
    m->ruThreshold2 = 0.6;
    SilentNotifier n;
    const auto f = *OpenDiscChannelDialog(*m, n);
    const double rawE0 = m->discParams[kE0];
    AcceptDiscChannelDialog(*m, f, n);
    EXPECT_EQ(m->discParams[kP0], std::stod(f.p0));
    EXPECT_EQ(m->discParams[kE0], std::stod(f.e0));
    EXPECT_NEAR(m->discParams[kE0], rawE0, 5e-9);
    EXPECT_NEAR(m->discParams[kP0] + m->discParams[kP1] + m->discParams[kP2], 1, 1e-15);
}

TEST(DiscChannelDialogTest, RefusedInputLeavesTheChannel) {
    auto m = MakeModel();
    RecordingNotifier n;
    auto f = *OpenDiscChannelDialog(*m, n);
    const auto before = m->discParams;
    f.p1 = "0";
    f.e0 = "0.3";
    f.pp = "0.5";
    AcceptDiscChannelDialog(*m, f, n);
    EXPECT_TRUE(n.Has("Некорректный ввод параметров!"));
    EXPECT_EQ(m->discParams, before);
    EXPECT_EQ(m->breakParams[0], 0);
}

TEST(DiscChannelDialogTest, BreakWarningAfterAcceptClearsPP) {
    auto m = MakeModel();
    RecordingNotifier n;
    auto f = *OpenDiscChannelDialog(*m, n);
    f.pp = "0.01";
    AcceptDiscChannelDialog(*m, f, n);
    EXPECT_EQ(m->breakParams[0], 0.01);
    FinishDiscChannelDialog(*m, n);
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Warning);
    EXPECT_EQ(n.entries[0].text, kBreakWarning);
    EXPECT_EQ(m->breakParams[0], 0);
}

TEST(DiscChannelDialogTest, BreakWarningAlsoOnCancel) {
    auto m = MakeModel();
    m->breakParams[0] = 0.3;
    RecordingNotifier n;
    ASSERT_TRUE(OpenDiscChannelDialog(*m, n));
    // "Отмена": nothing read back, but the stored break probability is still cleared.
    FinishDiscChannelDialog(*m, n);
    EXPECT_TRUE(n.Has(kBreakWarning));
    EXPECT_EQ(m->breakParams[0], 0);
    EXPECT_EQ(m->breakParams[2], 1.0);
}

TEST(DiscChannelDialogTest, NoBreakWarningWithoutBreaks) {
    auto m = MakeModel();
    RecordingNotifier n;
    FinishDiscChannelDialog(*m, n);
    EXPECT_TRUE(n.entries.empty());
}

TEST(DecisionDeviceDialogTest, OpensWithTheMeanErrorAndTakesTheRule) {
    auto m = MakeModel();
    RecordingNotifier n;
    auto f = OpenDecisionDeviceDialog(*m, n);
    ASSERT_TRUE(f);
    EXPECT_EQ(m->channelEntered, 1);
    EXPECT_EQ(f->criterion, 0);
    EXPECT_EQ(f->pcp, "0.12000000");
    f->criterion = 1;
    AcceptDecisionDeviceDialog(*m, *f);
    EXPECT_EQ(m->ruCriterion, 1);
    m->ruCriterion = 1;
    EXPECT_EQ(OpenDecisionDeviceDialog(*m, n)->criterion, 1);
}

TEST(DecisionDeviceDialogTest, NotShownWhenTheMeanErrorIsZero) {
    auto m = MakeModel();
    m->contM = 2; // diversity with Hp = 3 is refused, the channel stays empty
    RecordingNotifier n;
    EXPECT_FALSE(OpenDecisionDeviceDialog(*m, n));
    EXPECT_TRUE(n.Has("Некорректный ввод параметров!"));
    EXPECT_EQ(m->channelEntered, 0);
}

} // namespace
} // namespace spi

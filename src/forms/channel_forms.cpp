#include "forms/channel_forms.h"

#include "channel/discrete_channel.h"
#include "model/format.h"
#include "model/text_input.h"

#include <cmath>

namespace spi {

namespace {

constexpr const char *kBreakWarning = "В данном варианте КВИР перерывы не моделируются.";

std::string Real64(double x) {
    return FormatFixed(x, 6, 4);
}

// The modulator group shows АМ, ЧМ, ФМ for md = 0.5, 1, 2; any other md leaves the group as it
// was, which for these fields is the struct's default item.
void FillModulator(const ModelState &m, int &item) {
    const long double tenMd = 10.0L * static_cast<long double>(m.modMd);
    if (!(std::fabs(tenMd) < 1e9L))
        return;
    switch (static_cast<long>(std::trunc(tenMd))) {
    case 5:
        item = 0;
        break;
    case 10:
        item = 1;
        break;
    case 20:
        item = 2;
        break;
    default:
        break;
    }
}

void AcceptModulator(ModelState &m, int item) {
    // No item selected (or an item the group does not have) keeps the stored code.
    switch (item) {
    case 0:
        m.modMd = 0.5;
        break;
    case 1:
        m.modMd = 1.0;
        break;
    case 2:
        m.modMd = 2.0;
        break;
    default:
        break;
    }
}

// "когерентный" is item 0 for dm = 1, "некогерентный" item 1 for dm = 0; the mapping is its own
// inverse, so a stored dm outside 0..1 comes back as it went in.
int DemodulatorItem(std::int32_t dm) {
    return dm ^ 1; // 1 - dm for 0 and 1, without overflow for any stored value
}
std::int32_t DemodulatorFromItem(int item) {
    return item ^ 1;
}

} // namespace

SignalFields FillSignalDialog(const ModelState &m) {
    return {FormatFixed(m.probOne, 6, 4)};
}

void AcceptSignalDialog(ModelState &m, const SignalFields &f) {
    m.probOne = ReadDialogReal(f.probOne);
}

ContChannel1Fields FillContChannel1Dialog(const ModelState &m) {
    ContChannel1Fields f;
    f.hp = Real64(m.contHp);
    f.hc = Real64(m.contHc);
    f.h1 = Real64(m.ruThreshold1);
    f.h2 = Real64(m.ruThreshold2);
    f.m = FormatInt(m.contM, 2);
    f.q = Real64(m.contQ);
    FillModulator(m, f.modulator);
    f.demodulator = DemodulatorItem(m.demodDm);
    return f;
}

// A diversity order that is not an integer stops the handler where m is converted, as the
// platform's conversion failure did: the thresholds, Hp and Hc are taken, m, Q and the two groups
// keep their stored values. The threshold proposal needs m, so it is not made. The window shows
// InvalidIntegerMessage(f.m) when ParseInteger(f.m) fails.
void AcceptContChannel1Dialog(ModelState &m, ContChannel1Fields &f) {
    // The caller disables "Стат 1" and "Стат2" here: the discrete channel no longer matches.
    m.channelEntered = 0;

    const double hp = ReadDialogReal(f.hp);
    const double hc = ReadDialogReal(f.hc);
    const std::optional<std::int32_t> diversity = ParseInteger(f.m);
    if (diversity && (hp != m.contHp || hc != m.contHc || *diversity != m.contM)) {
        const long double h1 = *diversity < 2 ? static_cast<long double>(hp) + hc
                                              : static_cast<long double>(hc) * *diversity;
        f.h1 = FormatFixed(h1, 6, 4);
        f.h2 = FormatFixed(0.2L * h1, 6, 4);
    }

    m.ruThreshold1 = ReadDialogReal(f.h1);
    m.ruThreshold2 = ReadDialogReal(f.h2);
    m.contHp = hp;
    m.contHc = hc;
    if (!diversity)
        return;
    m.contM = *diversity;
    m.contQ = ReadDialogReal(f.q);
    AcceptModulator(m, f.modulator);
    m.demodDm = DemodulatorFromItem(f.demodulator);
}

ContChannel2Fields FillContChannel2Dialog(const ModelState &m) {
    ContChannel2Fields f;
    f.hp = FormatFixed(m.contHp, 6, 3);
    f.m = FormatInt(m.contM);
    f.hc = Real64(m.contHc);
    f.q = Real64(m.contQ);
    FillModulator(m, f.modulator);
    f.demodulator = DemodulatorItem(m.demodDm);
    return f;
}

// As in the first variant, an m that is not an integer stops the handler at m: Hp is taken,
// m, Hc, Q and the two groups keep their stored values.
void AcceptContChannel2Dialog(ModelState &m, const ContChannel2Fields &f) {
    // The caller disables the stage's test buttons here, as for the first variant.
    m.channelEntered = 0;
    m.contHp = ReadDialogReal(f.hp);
    const std::optional<std::int32_t> diversity = ParseInteger(f.m);
    if (!diversity)
        return;
    m.contM = *diversity;
    m.contHc = ReadDialogReal(f.hc);
    m.contQ = ReadDialogReal(f.q);
    AcceptModulator(m, f.modulator);
    m.demodDm = DemodulatorFromItem(f.demodulator);
}

std::optional<DiscChannelFields> OpenDiscChannelDialog(ModelState &m, Notifier &notifier) {
    if (m.channelEntered == 0)
        CalcDiscreteChannel(m, notifier);
    const auto &d = m.discParams;
    // No channel to show: nothing more happens, no break warning and no "Стат 1".
    if (d[kPcp] == 0)
        return std::nullopt;
    m.channelEntered = 1;
    DiscChannelFields f;
    f.p0 = FormatFixed(d[kP0], 9, 7);
    f.p1 = FormatFixed(d[kP1], 9, 7);
    f.e0 = FormatFixed(d[kE0], 10, 8);
    f.e1 = FormatFixed(d[kE1], 10, 8);
    f.e2 = FormatFixed(d[kE2], 10, 8);
    f.p01 = FormatFixed(d[kP01], 9, 7);
    f.p21 = FormatFixed(d[kP21], 9, 7);
    f.pcpLabel = "  " + FormatFixed(d[kPcp], 10, 8);
    f.pp = "  " + FormatFixed(m.breakParams[0], 9, 7);
    return f;
}

void AcceptDiscChannelDialog(ModelState &m, const DiscChannelFields &f, Notifier &notifier) {
    const auto oldDisc = m.discParams;
    const double oldPp = m.breakParams[0];
    auto &d = m.discParams;
    d[kP0] = ReadDialogReal(f.p0);
    d[kP1] = ReadDialogReal(f.p1);
    d[kE0] = ReadDialogReal(f.e0);
    d[kE1] = ReadDialogReal(f.e1);
    d[kE2] = ReadDialogReal(f.e2);
    d[kP01] = ReadDialogReal(f.p01);
    d[kP21] = ReadDialogReal(f.p21);
    m.breakParams[0] = ReadDialogReal(f.pp);
    if (!DeriveDiscreteChannel(m, notifier)) {
        // Refused (P1 = 0 and the like): the channel stays as it was, entered values and all.
        m.discParams = oldDisc;
        m.breakParams[0] = oldPp;
    }
}

void FinishDiscChannelDialog(ModelState &m, Notifier &notifier) {
    if (m.breakParams[0] != 0) {
        notifier.Warning(kBreakWarning);
        m.breakParams[0] = 0;
    }
    // The caller enables "Стат 1" here, whether the dialog was accepted or cancelled.
}

std::optional<DecisionDeviceFields> OpenDecisionDeviceDialog(ModelState &m, Notifier &notifier) {
    if (m.channelEntered == 0)
        CalcDiscreteChannel(m, notifier);
    // Whether the dialog is shown, accepted or cancelled, the caller enables "Стат 1" afterwards.
    if (m.discParams[kPcp] == 0)
        return std::nullopt;
    m.channelEntered = 1;
    DecisionDeviceFields f;
    f.criterion = m.ruCriterion;
    f.pcp = FormatFixed(m.discParams[kPcp], 10, 8);
    return f;
}

// Also called when the dialog was not shown: the window then passes the group's last selection.
void AcceptDecisionDeviceDialog(ModelState &m, const DecisionDeviceFields &f) {
    m.ruCriterion = static_cast<std::int16_t>(f.criterion);
}

} // namespace spi

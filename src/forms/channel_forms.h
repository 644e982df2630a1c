// What the channel dialogs copy between their fields and the model: the texts each field is
// filled with (widths and decimals are behaviour) and the handlers' steps on "Ввод". The windows
// only show these fields; the batch front end uses the same functions to accept a dialog
// unchanged.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

#include <optional>
#include <string>

namespace spi {

// "Параметры сигнала"
struct SignalFields {
    std::string probOne; // Edit1
};
SignalFields FillSignalDialog(const ModelState &m);
void AcceptSignalDialog(ModelState &m, const SignalFields &f);

// "Непрерывный канал", variant "ДК"
struct ContChannel1Fields {
    std::string hp, hc, h1, h2, m, q; // Edit1..Edit6
    int modulator = 0;                // 0 "АМ", 1 "ЧМ", 2 "ФМ"
    int demodulator = 0;              // 0 "когерентный", 1 "некогерентный"
};
ContChannel1Fields FillContChannel1Dialog(const ModelState &m);
// Clears channelEntered (the caller disables "Стат 1" and "Стат2"); proposes new thresholds when
// Hp, Hc or m changed, writing them into the fields as the dialog does.
void AcceptContChannel1Dialog(ModelState &m, ContChannel1Fields &f);

// "Непрерывный канал", variant "РУ"
struct ContChannel2Fields {
    std::string hp, m, hc, q; // Edit1, Edit2, Edit3, Edit4
    int modulator = 0;
    int demodulator = 0;
};
ContChannel2Fields FillContChannel2Dialog(const ModelState &m);
void AcceptContChannel2Dialog(ModelState &m, const ContChannel2Fields &f);

// "Дискретный канал"
struct DiscChannelFields {
    std::string p0, p1, e0, e1, e2, p01, p21; // Edit1..Edit7
    std::string pcpLabel;                     // Label10, display only
    std::string pp;                           // Edit8
};
// Steps 1-3 of the handler: recalculates when channelEntered is 0; returns no fields (the dialog
// is not shown) when Pcp is 0, otherwise sets channelEntered and fills the fields.
std::optional<DiscChannelFields> OpenDiscChannelDialog(ModelState &m, Notifier &notifier);
// Step 4 on "Ввод": reads the fields back and derives the rest.
void AcceptDiscChannelDialog(ModelState &m, const DiscChannelFields &f, Notifier &notifier);
// Step 5, after the dialog whether accepted or cancelled: the break warning.
void FinishDiscChannelDialog(ModelState &m, Notifier &notifier);

// "Решающее устройство"
struct DecisionDeviceFields {
    int criterion = 0; // 0 "МП", 1 "МАВ"
    std::string pcp;   // Edit1
};
// Steps 1-2: recalculates when channelEntered is 0; returns the fields when Pcp is non-zero (the
// dialog is shown), otherwise nothing.
std::optional<DecisionDeviceFields> OpenDecisionDeviceDialog(ModelState &m, Notifier &notifier);
// Step 3 unless cancelled.
void AcceptDecisionDeviceDialog(ModelState &m, const DecisionDeviceFields &f);

} // namespace spi

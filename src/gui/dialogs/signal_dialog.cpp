#include "gui/dialogs/signal_dialog.h"

#include "forms/channel_forms.h"
#include "gui/dialogs/stat_dialogs.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace spi::gui {

namespace {
const QString kCaption = QStringLiteral("Вероятность  \"1\"      P1:");
} // namespace

SignalDialog::SignalDialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Параметры сигнала"), p) {
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    edit1_ = AddFieldRow(grid, this, 0, kCaption, QStringLiteral("Edit1"), 7, 8);
    edit1_->setText(QStringLiteral("0.5"));
    outer->addLayout(grid);
    FinishDialogLayout(this, outer);
    AttachDialogColorItem(this, s);
    validateOnEnter = [this] {
        return CheckEntries({{edit1_, kCaption, false}}, services_.notifier);
    };
}

void SignalDialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    edit1_->setText(QString::fromStdString(FillSignalDialog(m).probOne));
    if (!EntriesAccepted(Run(), services_.window))
        return;
    AcceptSignalDialog(m, {edit1_->text().toStdString()});
}

} // namespace spi::gui

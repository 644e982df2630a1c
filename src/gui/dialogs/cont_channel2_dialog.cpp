#include "gui/dialogs/cont_channel2_dialog.h"

#include "forms/channel_forms.h"
#include "gui/dialogs/stat_dialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace spi::gui {

namespace {
const QString kHp = QStringLiteral("Регулярная составляющая сигнал/помеха  Hp:");
// The first letter of this caption is a Latin C, as on the form.
const QString kHc = QStringLiteral("Cлучайная  составляющая сигнал/помеха   Hc:");
const QString kM = QStringLiteral("Кратность разнесения m:");
const QString kQ = QStringLiteral("Скорость  замираний  Q:");
} // namespace

ContChannel2Dialog::ContChannel2Dialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Непрерывный канал"), p), groups_(this) {
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    // Top to bottom Hp, Hc, m, Q; the fields keep the form's names.
    edit1_ = AddFieldRow(grid, this, 0, kHp, QStringLiteral("Edit1"), 10, 11);
    edit3_ = AddFieldRow(grid, this, 1, kHc, QStringLiteral("Edit3"), 10, 11);
    edit2_ = AddFieldRow(grid, this, 2, kM, QStringLiteral("Edit2"), 5, 11);
    edit4_ = AddFieldRow(grid, this, 3, kQ, QStringLiteral("Edit4"), 5, 11);
    for (QLineEdit *e : {edit1_, edit2_, edit3_, edit4_})
        e->setText(QStringLiteral("1"));
    outer->addLayout(grid);
    groups_.AddRow(outer);
    FinishDialogLayout(this, outer);
    // No pop-up "Цвет" on this form. The engine takes Hp before it converts m: everything is
    // checked first, so that nothing of the dialog is stored when one entry is bad.
    validateOnEnter = [this] {
        return CheckEntries(
            {{edit1_, kHp, false}, {edit3_, kHc, false}, {edit2_, kM, true}, {edit4_, kQ, false}},
            services_.notifier);
    };
}

void ContChannel2Dialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    taken_ = false;
    ContChannel2Fields f = FillContChannel2Dialog(m);
    edit1_->setText(QString::fromStdString(f.hp));
    edit2_->setText(QString::fromStdString(f.m));
    edit3_->setText(QString::fromStdString(f.hc));
    edit4_->setText(QString::fromStdString(f.q));
    groups_.Show(m.modMd, f.modulator, f.demodulator);
    if (!EntriesAccepted(Run(), services_.window))
        return;
    f.hp = edit1_->text().toStdString();
    f.m = edit2_->text().toStdString();
    f.hc = edit3_->text().toStdString();
    f.q = edit4_->text().toStdString();
    groups_.Take(f.modulator, f.demodulator);
    AcceptContChannel2Dialog(m, f);
    taken_ = true;
}

} // namespace spi::gui

#include "gui/dialogs/interleaver_dialog.h"

#include "gui/dialogs/stat_dialogs.h"
#include "model/text_input.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace spi::gui {

namespace {
// The letters А and С are Cyrillic, L is Latin, as on the form.
const QString kParamA = QStringLiteral("Параметр  А:");
const QString kParamC = QStringLiteral("Параметр  С:");
const QString kParamL = QStringLiteral("Параметр  L:");
} // namespace

InterleaverDialog::InterleaverDialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Перемежитель"), p) {
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    edit1_ = AddFieldRow(grid, this, 0, kParamA, QStringLiteral("Edit1"), 10, 11);
    edit2_ = AddFieldRow(grid, this, 1, kParamC, QStringLiteral("Edit2"), 10, 11);
    edit3_ = AddFieldRow(grid, this, 2, kParamL, QStringLiteral("Edit3"), 10, 11);
    for (QLineEdit *e : {edit1_, edit2_, edit3_})
        e->setText(QStringLiteral("1"));
    outer->addLayout(grid);
    FinishDialogLayout(this, outer);
    // All three are checked before any is stored: a bad C must not leave a new A behind.
    validateOnEnter = [this] {
        return CheckEntries(
            {{edit1_, kParamA, true}, {edit2_, kParamC, true}, {edit3_, kParamL, true}},
            services_.notifier);
    };
}

void InterleaverDialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    edit1_->setText(QString::number(m.ilvA));
    edit2_->setText(QString::number(m.ilvC));
    edit3_->setText(QString::number(m.ilvL));
    if (!EntriesAccepted(Run(), services_.window))
        return;
    const auto a = ParseInteger(edit1_->text().toStdString());
    const auto c = ParseInteger(edit2_->text().toStdString());
    const auto l = ParseInteger(edit3_->text().toStdString());
    // Accepted entries are integers; a caller that skipped "Ввод" gets nothing stored.
    if (!a || !c || !l)
        return;
    m.ilvA = *a;
    m.ilvC = *c;
    m.ilvL = *l;
}

} // namespace spi::gui

#include "gui/dialogs/decision_device_dialog.h"

#include "forms/channel_forms.h"
#include "gui/dialogs/stat_dialogs.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace spi::gui {

DecisionDeviceDialog::DecisionDeviceDialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Решающее устройство"), p) {
    auto *outer = new QVBoxLayout(this);

    auto *box = new QGroupBox(QStringLiteral("Правило решения"), this);
    box->setObjectName(QStringLiteral("RadioGroup1"));
    auto *boxLayout = new QVBoxLayout(box);
    criterion_ = new QButtonGroup(box);
    // The items keep their leading blanks, as on the form.
    const QString items[2] = {QStringLiteral("     МП"), QStringLiteral("     МАВ")};
    for (int i = 0; i < 2; ++i) {
        auto *b = new QRadioButton(items[i], box);
        b->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        criterion_->addButton(b, i);
        boxLayout->addWidget(b);
    }
    criterion_->button(0)->setChecked(true);
    outer->addWidget(box);

    auto *panel = new QGroupBox(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto *grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(12);
    // The mean error probability is written with 10 characters; typing stops at 8. It is shown
    // for information and never read back.
    edit1_ = AddFieldRow(grid, panel, 0, QStringLiteral("Средняя вероятность ошибки:"),
                         QStringLiteral("Edit1"), 8, 11);
    outer->addWidget(panel);

    FinishDialogLayout(this, outer);
    // No pop-up "Цвет" on this form, and no entry to check: only the rule is taken.
}

void DecisionDeviceDialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    if (const std::optional<DecisionDeviceFields> shown =
            OpenDecisionDeviceDialog(m, services_.notifier)) {
        if (QAbstractButton *b = criterion_->button(shown->criterion))
            b->setChecked(true);
        edit1_->setText(QString::fromStdString(shown->pcp));
        if (!EntriesAccepted(Run(), services_.window))
            return;
    }
    // Also when the dialog was not shown: the rule is the group's last selection.
    DecisionDeviceFields taken;
    taken.criterion = criterion_->checkedId();
    taken.pcp = edit1_->text().toStdString();
    AcceptDecisionDeviceDialog(m, taken);
}

} // namespace spi::gui

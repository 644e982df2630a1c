#include "gui/dialogs/cont_channel1_dialog.h"

#include "forms/channel_forms.h"
#include "gui/dialogs/stat_dialogs.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace spi::gui {

namespace {

QButtonGroup *MakeRadioGroup(QGroupBox *box, const QString &name, const QStringList &items) {
    box->setObjectName(name);
    auto *group = new QButtonGroup(box);
    auto *layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], box);
        button->setObjectName(name + QStringLiteral("Item") + QString::number(i));
        group->addButton(button, i);
        layout->addWidget(button);
    }
    layout->addStretch();
    return group;
}

void Select(QButtonGroup *group, int item) {
    if (QAbstractButton *b = group->button(item)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied button by button.
    group->setExclusive(false);
    for (QAbstractButton *b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

// The engine's filling answers item 0 also for a code the group does not show; only the codes of
// АМ, ЧМ and ФМ move the selection.
bool IsModulatorCode(double md) {
    const long double tenMd = 10.0L * static_cast<long double>(md);
    if (!(std::fabs(tenMd) < 1e9L))
        return false;
    const long t = static_cast<long>(std::trunc(tenMd));
    return t == 5 || t == 10 || t == 20;
}

const QString kHp = QStringLiteral("Регулярная составляющая сигнал/помеха  Hp:");
const QString kHc = QStringLiteral("Случайная составляющая сигнал/помеха    Hc:");
const QString kH1 = QStringLiteral("Пороговый уровень   H1:");
const QString kH2 = QStringLiteral("Пороговый уровень   H2:");
const QString kM = QStringLiteral("Кратность разнесения m:");
const QString kQ = QStringLiteral("Скорость замираний   Q:");

} // namespace

ModemGroups::ModemGroups(QWidget *parent)
    : modulatorBox_(new QGroupBox(QStringLiteral("Модулятор"), parent)),
      demodulatorBox_(new QGroupBox(QStringLiteral("Демодулятор"), parent)) {
    modulator_ = MakeRadioGroup(modulatorBox_, QStringLiteral("RadioGroup1"),
                                {QStringLiteral("АМ"), QStringLiteral("ЧМ"), QStringLiteral("ФМ")});
    demodulator_ = MakeRadioGroup(demodulatorBox_, QStringLiteral("RadioGroup2"),
                                  {QStringLiteral("когерентный"), QStringLiteral("некогерентный")});
    // The start-up channel: АМ, coherent.
    Select(modulator_, 0);
    Select(demodulator_, 0);
}

void ModemGroups::Show(double md, int modulatorItem, int demodulatorItem) {
    if (IsModulatorCode(md))
        Select(modulator_, modulatorItem);
    shownModulator_ = modulatorItem;
    Select(demodulator_, demodulatorItem);
    shownDemodulator_ = demodulatorItem;
}

void ModemGroups::Take(int &modulatorItem, int &demodulatorItem) const {
    const int mod = modulator_->checkedId();
    const int demod = demodulator_->checkedId();
    modulatorItem = mod >= 0 ? mod : shownModulator_;
    // With nothing selected the stored demodulator comes back as it went in.
    demodulatorItem = demod >= 0 ? demod : shownDemodulator_;
}

void ModemGroups::AddRow(QBoxLayout *outer) const {
    auto *radios = new QHBoxLayout;
    radios->addWidget(modulatorBox_, 1);
    radios->addWidget(demodulatorBox_, 1);
    outer->addLayout(radios);
}

ContChannel1Dialog::ContChannel1Dialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Непрерывный канал"), p), groups_(this) {
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    edit1_ = AddFieldRow(grid, this, 0, kHp, QStringLiteral("Edit1"), 12, 12);
    edit2_ = AddFieldRow(grid, this, 1, kHc, QStringLiteral("Edit2"), 12, 12);
    edit3_ = AddFieldRow(grid, this, 2, kH1, QStringLiteral("Edit3"), 12, 12);
    edit4_ = AddFieldRow(grid, this, 3, kH2, QStringLiteral("Edit4"), 12, 12);
    edit5_ = AddFieldRow(grid, this, 4, kM, QStringLiteral("Edit5"), 12, 12);
    edit6_ = AddFieldRow(grid, this, 5, kQ, QStringLiteral("Edit6"), 12, 12);
    // The form's own texts, before the model first fills them.
    for (QLineEdit *e : {edit1_, edit2_, edit5_, edit6_})
        e->setText(QStringLiteral("1"));
    outer->addLayout(grid);
    groups_.AddRow(outer);
    FinishDialogLayout(this, outer);
    AttachDialogColorItem(this, s);
    // The engine takes Hp and Hc before it converts m; every field is checked first so that a bad
    // m or a text that is not a number leaves the whole channel as it was.
    validateOnEnter = [this] {
        return CheckEntries({{edit1_, kHp, false},
                             {edit2_, kHc, false},
                             {edit3_, kH1, false},
                             {edit4_, kH2, false},
                             {edit5_, kM, true},
                             {edit6_, kQ, false}},
                            services_.notifier);
    };
}

bool ContChannel1Dialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    ContChannel1Fields f = FillContChannel1Dialog(m);
    edit1_->setText(QString::fromStdString(f.hp));
    edit2_->setText(QString::fromStdString(f.hc));
    edit3_->setText(QString::fromStdString(f.h1));
    edit4_->setText(QString::fromStdString(f.h2));
    edit5_->setText(QString::fromStdString(f.m));
    edit6_->setText(QString::fromStdString(f.q));
    groups_.Show(m.modMd, f.modulator, f.demodulator);
    if (!EntriesAccepted(Run(), services_.window))
        return false;
    f.hp = edit1_->text().toStdString();
    f.hc = edit2_->text().toStdString();
    f.h1 = edit3_->text().toStdString();
    f.h2 = edit4_->text().toStdString();
    f.m = edit5_->text().toStdString();
    f.q = edit6_->text().toStdString();
    groups_.Take(f.modulator, f.demodulator);
    AcceptContChannel1Dialog(m, f);
    // A threshold proposal is written into the fields, as the form does.
    edit3_->setText(QString::fromStdString(f.h1));
    edit4_->setText(QString::fromStdString(f.h2));
    return true;
}

} // namespace spi::gui

#include "gui/dialogs/stat_dialogs.h"

#include "chain/stat_runs.h"
#include "model/text_input.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace spi::gui {

QLabel *MakeCaption(const QString &text, QWidget *parent, const QString &name) {
    auto *label = new QLabel(parent);
    // Plain text: a caption such as "Вероятность  "1"      P1:" is never taken for markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

void SetFieldChars(QLineEdit *field, int chars) {
    const QFontMetrics fm(field->font());
    // Frame and text margins of the style come on top of the digits themselves.
    field->setFixedWidth(fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 16);
}

bool IsDialogReal(const QString &text) {
    // The same reading as ReadDialogReal, which turns anything that is not a number into 0: the
    // blanks around it, a decimal comma, a leading plus, and a finite number filling the rest.
    std::string s = text.toStdString();
    std::string_view v = s;
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    if (v.empty())
        return true;
    std::string digits(v);
    for (char &c : digits)
        if (c == ',')
            c = '.';
    std::string_view d = digits;
    if (d.front() == '+')
        d.remove_prefix(1);
    double value = 0;
    const auto [end, ec] =
        std::from_chars(d.data(), d.data() + d.size(), value, std::chars_format::general);
    return ec == std::errc() && end == d.data() + d.size() && std::isfinite(value);
}

QString InvalidIntegerEntry(const QString &label, const QString &text) {
    // The label's alignment blanks mean nothing in a message.
    return label.simplified() + QLatin1Char(' ') +
           QString::fromStdString(InvalidIntegerMessage(text.toStdString()));
}

QString CaptionOf(const QLineEdit *field) {
    const QWidget *parent = field->parentWidget();
    const auto *label =
        parent ? parent->findChild<QLabel *>(field->objectName() + QStringLiteral("Label"))
               : nullptr;
    return label ? label->text() : QString();
}

QString FieldSymbol(const QString &label) {
    // A caption ends in the symbol of its value ("...  Hp:", "P21:"): that is what a message names.
    QString text = label.simplified();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.section(QLatin1Char(' '), -1);
}

QString NotANumberEntry(const QString &label, const QString &text) {
    const QString symbol = FieldSymbol(label);
    const QString message = QStringLiteral("«%1» — не число").arg(text);
    return symbol.isEmpty() ? message : message + QStringLiteral(" (поле %1)").arg(symbol);
}

void ClearFieldMarks(QWidget *dialog) {
    for (QLineEdit *e : dialog->findChildren<QLineEdit *>())
        e->setStyleSheet(QString());
}

bool CheckEntries(const std::vector<EntryRule> &rules, Notifier &notifier) {
    const EntryRule *first = nullptr;
    std::vector<QLineEdit *> bad;
    for (const EntryRule &r : rules) {
        const QString text = r.field->text();
        const bool ok =
            r.integer ? ParseInteger(text.toStdString()).has_value() : IsDialogReal(text);
        if (ok)
            continue;
        if (!first)
            first = &r;
        bad.push_back(r.field);
    }
    if (!first)
        return true;
    // Marked last to first, so that the focus ends on the field the message speaks of.
    for (auto it = bad.rbegin(); it != bad.rend(); ++it)
        MarkFieldInvalid(*it);
    if (first->integer)
        notifier.Error(InvalidIntegerEntry(first->label, first->field->text()).toStdString());
    else
        notifier.Error(NotANumberEntry(first->label, first->field->text()).toStdString());
    return false;
}

QLineEdit *AddFieldRow(QGridLayout *grid, QWidget *parent, int row, const QString &caption,
                       const QString &fieldName, int maxLength, int chars) {
    grid->addWidget(MakeCaption(caption, parent, fieldName + QStringLiteral("Label")), row, 0);
    QLineEdit *field = MakeField(parent, maxLength);
    field->setObjectName(fieldName);
    SetFieldChars(field, chars);
    grid->addWidget(field, row, 1);
    return field;
}

void FinishDialogLayout(ParameterDialog *dialog, QVBoxLayout *outer) {
    outer->addWidget(dialog->MakeButtonRow());
    // The title bar is drawn by the window system in a bold face and needs room for its buttons.
    QFont titleFont = dialog->font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(dialog->windowTitle()) + 120;
    outer->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

void AttachDialogColorItem(ParameterDialog *dialog, GuiServices &services) {
    AttachColorMenu(dialog, services, [dialog, &services](std::int32_t color) {
        services.window.dialogColor = color;
        ApplyBackground(dialog, color);
    });
}

bool EntriesAccepted(int runResult, WindowValues &window) {
    if (window.dialogCancelled) {
        window.dialogCancelled = 0;
        return false;
    }
    // Only "Ввод" or the close box accept; a dialog left open by whoever showed it took nothing.
    return runResult == QDialog::Accepted;
}

namespace {

const QString kStat1Length = QStringLiteral("Длина кодового слова    n:");
const QString kStat1Count = QStringLiteral("Количество слов   NB:");
const QString kStat2Count = QStringLiteral("Количество блоков  NB:");

} // namespace

Stat1Dialog::Stat1Dialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Статистические испытания"), p) {
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    edit1_ = AddFieldRow(grid, this, 0, kStat1Length, QStringLiteral("Edit1"), 8, 9);
    edit2_ = AddFieldRow(grid, this, 1, kStat1Count, QStringLiteral("Edit2"), 8, 9);
    outer->addLayout(grid);
    FinishDialogLayout(this, outer);
    AttachDialogColorItem(this, s);
    validateOnEnter = [this] {
        return CheckEntries({{edit1_, kStat1Length, true}, {edit2_, kStat1Count, true}},
                            services_.notifier);
    };
}

bool Stat1Dialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    edit1_->setText(QString::number(m.stat1WordLength));
    edit2_->setText(QString::number(m.wordCount));
    if (!EntriesAccepted(Run(), services_.window))
        return false;
    return AcceptStat1Dialog(m, edit1_->text().toStdString(), edit2_->text().toStdString(),
                             services_.notifier);
}

Stat2Dialog::Stat2Dialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Стат2"), p) {
    auto *outer = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    edit1_ = AddFieldRow(grid, this, 0, kStat2Count, QStringLiteral("Edit1"), 8, 9);
    outer->addLayout(grid);
    FinishDialogLayout(this, outer);
    AttachDialogColorItem(this, s);
    validateOnEnter = [this] {
        return CheckEntries({{edit1_, kStat2Count, true}}, services_.notifier);
    };
}

bool Stat2Dialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    edit1_->setText(QString::number(m.wordCount));
    if (!EntriesAccepted(Run(), services_.window))
        return false;
    if (!AcceptStat2Dialog(m, edit1_->text().toStdString(), services_.notifier))
        return false;
    // Without a code or without words there is nothing to run, and nothing is said.
    return m.codeN >= 1 && m.wordCount >= 1;
}

} // namespace spi::gui

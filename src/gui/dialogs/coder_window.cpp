#include "gui/dialogs/coder_window.h"

#include "model/text_input.h"

#include "gui/dialogs/stat_dialogs.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace spi::gui {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString RadioName(int type) {
    return QStringLiteral("RadioButton%1").arg(static_cast<int>(CodeTypeRow(type).button));
}

// A widget that is hidden keeps its place, so that the fixed-size window does not reflow when
// a type hides the number or the inner-code field.
void KeepPlaceWhenHidden(QWidget *w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

// The selection list and the rate are shown, never typed into: they are disabled, but their text
// must stay as readable as any other field's.
void KeepTextReadable(QWidget *w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Disabled, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
    w->setPalette(p);
}

// A field's text is replaced only when it differs: rewriting the field being typed into would
// move its cursor to the end after every key.
void ShowField(QLineEdit *edit, const CoderField &f) {
    const QString text = QString::fromStdString(f.text);
    if (edit->text() != text)
        edit->setText(text);
    edit->setEnabled(f.enabled);
    edit->setHidden(!f.visible);
}

} // namespace

void ShowPanelOfCheckedType(CoderSettings &coder) {
    const auto checked = coder.CheckedType();
    if (!checked)
        return;
    const CoderPanel shown = coder.Panel();
    if (PanelOfType(*checked) == CoderPanel::Cyclic) {
        // Leaving the other panels unchecks only their own buttons.
        if (shown != CoderPanel::Cyclic)
            coder.OtherCodesOnConvolutionalPanel();
    } else if (shown == CoderPanel::Cyclic) {
        coder.OtherCodesOnCyclicPanel();
    } else if (shown == CoderPanel::Selection && !IsPolynomialSetType(*checked)) {
        coder.CloseSelection();
    }
}

template <typename F> void CoderWindow::Act(F &&event) {
    std::forward<F>(event)();
    Refresh();
}

CoderWindow::CoderWindow(GuiServices &services, QWidget *parent)
    : ParameterDialog(services, QStringLiteral("УЗО"), parent) {
    setObjectName(QStringLiteral("TUZO1"));

    panels_ = new QStackedWidget(this);
    panels_->setObjectName(QStringLiteral("Panels"));
    cyclicPanel_ = BuildTypePanel(QStringLiteral("CyclicPanel"), CyclicPanelTypes(),
                                  QStringLiteral("BitBtn3"));
    convolutionalPanel_ = BuildTypePanel(QStringLiteral("ConvolutionalPanel"),
                                         ConvolutionalPanelTypes(), QStringLiteral("BitBtn4"));
    selectionPanel_ = BuildSelectionPanel();
    panels_->addWidget(cyclicPanel_);
    panels_->addWidget(convolutionalPanel_);
    panels_->addWidget(selectionPanel_);

    auto *top = new QHBoxLayout;
    top->addWidget(panels_, 0, Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(BuildRightColumn());

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(BuildBottomPanel());
    outer->setSizeConstraint(QLayout::SetFixedSize);

    ConnectFields();
    AttachDialogColorItem(this, services);
    // "Ввод" takes nothing while n, k or Cm is not an integer: the window stays open with the field
    // marked, so the model never holds half of the window's settings.
    validateOnEnter = [this] {
        const std::pair<QLineEdit *, const CoderField *> integers[] = {
            {edit2_, &coder_.CodeN()}, {edit3_, &coder_.CodeK()}, {edit4_, &coder_.Cm()}};
        for (const auto &[field, entry] : integers)
            if (!ParseInteger(entry->text)) {
                services_.notifier.Error(InvalidIntegerMessage(entry->text));
                MarkFieldInvalid(field);
                return false;
            }
        return true;
    };
    Refresh();
}

QWidget *CoderWindow::BuildTypePanel(const QString &name, std::span<const int> types,
                                     const QString &otherName) {
    auto *box = new QGroupBox(QStringLiteral("Тип кода и декодера"));
    box->setObjectName(name);
    auto *layout = new QVBoxLayout(box);
    for (int type : types) {
        auto *radio = new QRadioButton(Q(RadioCaption(type)), box);
        radio->setObjectName(RadioName(type));
        // The model decides what is checked, across both panels and with no button checked at
        // all; Qt's own exclusivity would fight it.
        radio->setAutoExclusive(false);
        connect(radio, &QRadioButton::clicked, this, [this, type] {
            Act([&] { coder_.CheckType(type, services_.model, services_.notifier); });
        });
        radio_[static_cast<std::size_t>(type)] = radio;
        layout->addWidget(radio);
    }
    layout->addStretch();
    auto *other = new QPushButton(QStringLiteral("Другие"), box);
    other->setObjectName(otherName);
    const bool cyclic = otherName == QStringLiteral("BitBtn3");
    connect(other, &QPushButton::clicked, this, [this, cyclic] {
        Act([&] {
            if (cyclic)
                coder_.OtherCodesOnCyclicPanel();
            else
                coder_.OtherCodesOnConvolutionalPanel();
        });
    });
    layout->addWidget(other, 0, Qt::AlignLeft);
    return box;
}

QWidget *CoderWindow::BuildSelectionPanel() {
    auto *box = new QGroupBox(QStringLiteral("Выбор многочленов свёрточного кода"));
    box->setObjectName(QStringLiteral("SelectionPanel"));
    auto *grid = new QGridLayout(box);

    grid->addWidget(MakeCaption(QStringLiteral(" Выбор МНОГОЧЛЕНОВ из списка:"), box), 0, 0);
    listBox1_ = new QListWidget(box);
    listBox1_->setObjectName(QStringLiteral("ListBox1"));
    for (const std::string &line : coder_.PolynomialList())
        listBox1_->addItem(QString::fromStdString(line));
    listBox1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(listBox1_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        const int row = listBox1_->row(item) + 1;
        Act([&] { coder_.ChoosePolynomial(row, services_.model, services_.notifier); });
    });
    grid->addWidget(listBox1_, 1, 0, 6, 1);

    grid->addWidget(MakeCaption(QStringLiteral("Выбраны МНОГОЧЛЕНЫ:"), box), 0, 1, 1, 3);
    listBox2_ = new QListWidget(box);
    listBox2_->setObjectName(QStringLiteral("ListBox2"));
    listBox2_->setEnabled(false);
    KeepTextReadable(listBox2_);
    // Seven lines such as "170(24)" are all a selection can hold.
    const QFontMetrics fm(listBox2_->font());
    listBox2_->setFixedWidth(fm.horizontalAdvance(QStringLiteral("170(24)")) * 2);
    listBox2_->setFixedHeight(fm.height() * 7 + 2 * listBox2_->frameWidth() + 6);
    grid->addWidget(listBox2_, 1, 1, 1, 3, Qt::AlignLeft);

    grid->addWidget(MakeCaption(QStringLiteral("Всего:"), box), 2, 1);
    edit13_ = new QLineEdit(box);
    edit13_->setObjectName(QStringLiteral("Edit13"));
    edit13_->setReadOnly(true);
    SetFieldChars(edit13_, 3);
    grid->addWidget(edit13_, 2, 2, 1, 2, Qt::AlignLeft);

    grid->addWidget(MakeCaption(QStringLiteral("Скорость кода k0/n0:"), box), 3, 1);
    edit6_ = new QLineEdit(box);
    edit6_->setObjectName(QStringLiteral("Edit6"));
    SetFieldChars(edit6_, 4);
    KeepTextReadable(edit6_);
    KeepPlaceWhenHidden(edit6_);
    grid->addWidget(edit6_, 3, 2);
    spin2_ = MakeSpin(box, QStringLiteral("SpinButton2"),
                      QStringLiteral("Изменение скорости свёрточного кода R=k0/n0"));
    grid->addWidget(spin2_.frame, 3, 3, Qt::AlignLeft);
    connect(spin2_.up, &QToolButton::clicked, this,
            [this] { Act([&] { coder_.RateUp(services_.model); }); });
    connect(spin2_.down, &QToolButton::clicked, this,
            [this] { Act([&] { coder_.RateDown(services_.model); }); });

    innerLabel_ = MakeCaption(QStringLiteral("Номера мног-ов внутреннего кода:"), box);
    KeepPlaceWhenHidden(innerLabel_);
    grid->addWidget(innerLabel_, 4, 1, 1, 3);
    edit7_ = MakeField(box, static_cast<int>(kInnerListMaxLength));
    edit7_->setObjectName(QStringLiteral("Edit7"));
    KeepPlaceWhenHidden(edit7_);
    grid->addWidget(edit7_, 5, 1, 1, 3);

    auto *buttons = new QHBoxLayout;
    auto *reset = new QPushButton(QStringLiteral("Сброс"), box);
    reset->setObjectName(QStringLiteral("Button1"));
    connect(reset, &QPushButton::clicked, this,
            [this] { Act([&] { coder_.ResetSelection(services_.model); }); });
    // "O K" is written with the Latin letters O and K, a blank between them.
    auto *ok = new QPushButton(QStringLiteral("O K"), box);
    ok->setObjectName(QStringLiteral("Button2"));
    connect(ok, &QPushButton::clicked, this, [this] { Act([&] { coder_.CloseSelection(); }); });
    buttons->addWidget(reset);
    buttons->addWidget(ok);
    buttons->addStretch();
    grid->addLayout(buttons, 6, 1, 1, 3, Qt::AlignBottom);
    grid->setColumnStretch(0, 1);
    return box;
}

QWidget *CoderWindow::BuildRightColumn() {
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    numberLabel_ = MakeCaption(QStringLiteral("Номер многочлена:"), column);
    KeepPlaceWhenHidden(numberLabel_);
    layout->addWidget(numberLabel_);
    auto *numberRow = new QHBoxLayout;
    edit5_ = MakeField(column, static_cast<int>(kNumberMaxLength));
    edit5_->setObjectName(QStringLiteral("Edit5"));
    SetFieldChars(edit5_, 4);
    KeepPlaceWhenHidden(edit5_);
    numberRow->addWidget(edit5_);
    spin1_ = MakeSpin(column, QStringLiteral("SpinButton1"),
                      QStringLiteral("Изменение номера многочлена"));
    numberRow->addWidget(spin1_.frame);
    numberRow->addStretch();
    layout->addLayout(numberRow);
    connect(spin1_.up, &QToolButton::clicked, this,
            [this] { Act([&] { coder_.NumberUp(services_.model, services_.notifier); }); });
    connect(spin1_.down, &QToolButton::clicked, this,
            [this] { Act([&] { coder_.NumberDown(services_.model, services_.notifier); }); });

    layout->addStretch();
    // "Ввод" and "Отмена" of the dialog base, one under the other.
    QWidget *buttons = MakeButtonRow();
    if (auto *box = qobject_cast<QBoxLayout *>(buttons->layout()))
        box->setDirection(QBoxLayout::TopToBottom);
    enterButton()->setObjectName(QStringLiteral("BitBtn1"));
    cancelButton()->setObjectName(QStringLiteral("BitBtn2"));
    const int buttonWidth =
        std::max(enterButton()->sizeHint().width(), cancelButton()->sizeHint().width()) + 24;
    enterButton()->setFixedWidth(buttonWidth);
    cancelButton()->setFixedWidth(buttonWidth);
    layout->addWidget(buttons);
    layout->addStretch();
    return column;
}

QWidget *CoderWindow::BuildBottomPanel() {
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("BottomPanel"));
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(16);

    auto *gLabel = MakeCaption(QStringLiteral("Многочлен g(x):"), box);
    grid->addWidget(gLabel, 0, 0, 1, 3);
    edit1_ = MakeField(box, static_cast<int>(kGenPolyMaxLength));
    edit1_->setObjectName(QStringLiteral("Edit1"));
    grid->addWidget(edit1_, 1, 0, 1, 3);

    grid->addWidget(MakeCaption(QStringLiteral("Длина кодового блока  n:"), box), 2, 0);
    grid->addWidget(MakeCaption(QStringLiteral("Число информационных символов  k:"), box), 2, 1);
    label4_ = MakeCaption(QString(), box, QStringLiteral("Label4"));
    // Room for the longest of the texts the radio buttons put there.
    int labelWidth = 0;
    for (std::string_view text : {kCmLabelInitial, kCmLabelErrors, kCmLabelIterations}) {
        label4_->setText(Q(text));
        labelWidth = std::max(labelWidth, label4_->sizeHint().width());
    }
    label4_->setMinimumWidth(labelWidth);
    grid->addWidget(label4_, 2, 2);

    edit2_ = MakeField(box, static_cast<int>(kBlockLengthMaxLength));
    edit2_->setObjectName(QStringLiteral("Edit2"));
    SetFieldChars(edit2_, 9);
    grid->addWidget(edit2_, 3, 0, Qt::AlignLeft);
    edit3_ = MakeField(box, static_cast<int>(kBlockLengthMaxLength));
    edit3_->setObjectName(QStringLiteral("Edit3"));
    SetFieldChars(edit3_, 9);
    grid->addWidget(edit3_, 3, 1, Qt::AlignLeft);
    edit4_ = new QLineEdit(box);
    edit4_->setObjectName(QStringLiteral("Edit4"));
    SetFieldChars(edit4_, 9);
    grid->addWidget(edit4_, 3, 2, Qt::AlignLeft);
    return box;
}

CoderWindow::Spin CoderWindow::MakeSpin(QWidget *parent, const QString &name, const QString &hint) {
    Spin s;
    s.frame = new QWidget(parent);
    s.frame->setObjectName(name);
    s.frame->setToolTip(hint);
    KeepPlaceWhenHidden(s.frame);
    auto *layout = new QVBoxLayout(s.frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The pair is as tall as the field beside it.
    const int half = std::max(QLineEdit().sizeHint().height() / 2, 10);
    const std::pair<QToolButton **, Qt::ArrowType> arrows[] = {{&s.up, Qt::UpArrow},
                                                               {&s.down, Qt::DownArrow}};
    for (const auto &[button, arrow] : arrows) {
        *button = new QToolButton(s.frame);
        (*button)->setArrowType(arrow);
        (*button)->setAutoRepeat(true);
        (*button)->setToolTip(hint);
        (*button)->setFixedSize(half + 6, half);
        (*button)->setFocusPolicy(Qt::NoFocus);
        (*button)->setObjectName(
            name + (arrow == Qt::UpArrow ? QStringLiteral("Up") : QStringLiteral("Down")));
        layout->addWidget(*button);
    }
    return s;
}

void CoderWindow::ConnectFields() {
    // Every change of a field reaches the model, typed or pasted or set by another program; the
    // refresh blocks these signals, since the texts it puts in come from the model already.
    const auto typed = [this](QLineEdit *edit, auto forward) {
        connect(edit, &QLineEdit::textChanged, this, [this, forward](const QString &text) {
            Act([&] { forward(text.toStdString()); });
        });
    };
    typed(edit1_, [this](const std::string &t) { coder_.TypeGenPoly(t); });
    typed(edit2_, [this](const std::string &t) { coder_.TypeCodeN(t); });
    typed(edit3_, [this](const std::string &t) { coder_.TypeCodeK(t); });
    typed(edit4_, [this](const std::string &t) { coder_.TypeCm(t); });
    typed(edit5_, [this](const std::string &t) {
        coder_.TypeNumber(t, services_.model, services_.notifier);
    });
    typed(edit7_, [this](const std::string &t) { coder_.TypeInnerList(t); });
}

void CoderWindow::Refresh() {
    const QList<QWidget *> all = findChildren<QWidget *>();
    std::vector<QSignalBlocker> blockers;
    blockers.reserve(static_cast<std::size_t>(all.size()));
    for (QWidget *w : all)
        blockers.emplace_back(w);

    switch (coder_.Panel()) {
    case CoderPanel::Cyclic:
        panels_->setCurrentWidget(cyclicPanel_);
        break;
    case CoderPanel::Convolutional:
        panels_->setCurrentWidget(convolutionalPanel_);
        break;
    case CoderPanel::Selection:
        panels_->setCurrentWidget(selectionPanel_);
        break;
    }
    const auto checked = coder_.CheckedType();
    for (std::size_t t = 0; t < radio_.size(); ++t)
        if (radio_[t] != nullptr)
            radio_[t]->setChecked(checked && *checked == static_cast<int>(t));

    ShowField(edit1_, coder_.GenPoly());
    ShowField(edit2_, coder_.CodeN());
    ShowField(edit3_, coder_.CodeK());
    ShowField(edit4_, coder_.Cm());
    ShowField(edit5_, coder_.Number());
    ShowField(edit6_, coder_.Rate());
    ShowField(edit7_, coder_.InnerList());
    // A caption goes with its field.
    numberLabel_->setHidden(!coder_.Number().visible);
    innerLabel_->setHidden(!coder_.InnerList().visible);
    label4_->setText(QString::fromStdString(coder_.CmLabel()));
    edit13_->setText(QString::fromStdString(coder_.Total()));

    spin1_.frame->setEnabled(coder_.NumberSpin().enabled);
    spin1_.frame->setHidden(!coder_.NumberSpin().visible);
    spin2_.frame->setEnabled(coder_.RateSpin().enabled);
    spin2_.frame->setHidden(!coder_.RateSpin().visible);

    QStringList selected;
    for (const std::string &line : coder_.Selected())
        selected << QString::fromStdString(line);
    QStringList shown;
    for (int i = 0; i < listBox2_->count(); ++i)
        shown << listBox2_->item(i)->text();
    if (shown != selected) {
        listBox2_->clear();
        listBox2_->addItems(selected);
    }
}

bool CoderWindow::RunStep() {
    ModelState &m = services_.model;
    coder_.Open(m, services_.notifier);
    ShowPanelOfCheckedType(coder_);
    Refresh();
    const int result = Run();
    // "Отмена" has set dialogCancelled, which is reset here; a window left open by whoever showed
    // it took nothing.
    const bool cancelled = services_.window.dialogCancelled != 0;
    services_.window.dialogCancelled = 0;
    const CoderCloseOutcome outcome =
        coder_.Close(m, services_.notifier, result == QDialog::Accepted && !cancelled);
    Refresh();
    return outcome == CoderCloseOutcome::Accepted;
}

void CoderWindow::ClearCodeTypeButtons() {
    coder_.ClearTypeSelection();
    Refresh();
}

} // namespace spi::gui

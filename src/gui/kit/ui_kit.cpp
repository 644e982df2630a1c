#include "gui/kit/ui_kit.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

namespace spi::gui {

QColor ColorFromModel(std::int32_t bgr) {
    const auto v = static_cast<std::uint32_t>(bgr);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

std::int32_t ColorToModel(const QColor &c) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(c.red()) |
                                     (static_cast<std::uint32_t>(c.green()) << 8) |
                                     (static_cast<std::uint32_t>(c.blue()) << 16));
}

void ApplyBackground(QWidget *w, std::int32_t bgr) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ColorFromModel(bgr));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void AttachColorMenu(QWidget *w, GuiServices &services,
                     const std::function<void(std::int32_t)> &onChosen) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, w,
                     [w, &services, onChosen](const QPoint &at) {
                         QMenu menu(w);
                         QAction *color = menu.addAction(QStringLiteral("Цвет"));
                         if (menu.exec(w->mapToGlobal(at)) != color)
                             return;
                         const QColor initial = w->palette().color(QPalette::Window);
                         const auto chosen =
                             services.chooseColor ? services.chooseColor(w, initial) : std::nullopt;
                         if (chosen)
                             onChosen(ColorToModel(*chosen));
                     });
}

ParameterDialog::ParameterDialog(GuiServices &services, const QString &caption, QWidget *parent)
    : QDialog(parent), services_(services) {
    setWindowTitle(caption);
    setModal(true);
}

QWidget *ParameterDialog::MakeButtonRow() {
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    enter_ = new QPushButton(QStringLiteral("Ввод"), row);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), row);
    enter_->setDefault(true);
    layout->addStretch();
    layout->addWidget(enter_);
    layout->addWidget(cancel_);
    layout->addStretch();
    connect(enter_, &QPushButton::clicked, this, [this] {
        if (validateOnEnter && !validateOnEnter())
            return;
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        services_.window.dialogCancelled = 1;
        done(QDialog::Rejected);
    });
    return row;
}

int ParameterDialog::Run() {
    ApplyBackground(this, services_.window.dialogColor);
    setResult(0); // a driver that shows nothing must not find the last opening's result
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

void ParameterDialog::reject() {
    // The close box takes the entries, as "Ввод" does.
    if (validateOnEnter && !validateOnEnter())
        return;
    accept();
}

void ParameterDialog::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

namespace {

// Typing stops at the limit, but a text the program put in may be longer and is never cut: the
// user may delete or replace characters in it; only an edit that would make the field longer
// than both the limit and the text before it is refused. Every edit of the user (keys, input
// method, paste from the menu or the mouse, drop) runs inside the field's event handling, which
// tells it apart from a text the program sets.
class LimitedField : public QLineEdit {
public:
    LimitedField(const QString &text, QWidget *parent, int limit)
        : QLineEdit(text, parent), limit_(limit) {}
    bool Allows(qsizetype length) const {
        return !userEvent_ || length <= std::max<qsizetype>(limit_, before_);
    }

protected:
    bool event(QEvent *e) override {
        if (userEvent_)
            return QLineEdit::event(e);
        userEvent_ = true;
        before_ = text().size();
        const bool handled = QLineEdit::event(e);
        userEvent_ = false;
        return handled;
    }

private:
    int limit_;
    bool userEvent_ = false;
    qsizetype before_ = 0;
};

class TypedLengthValidator : public QValidator {
public:
    explicit TypedLengthValidator(LimitedField *field) : QValidator(field), field_(field) {}
    State validate(QString &input, int &) const override {
        return field_->Allows(input.size()) ? Acceptable : Invalid;
    }

private:
    const LimitedField *field_;
};

} // namespace

QLineEdit *MakeField(QWidget *parent, int maxLength, const QString &text) {
    auto *e = new LimitedField(text, parent, maxLength);
    // QLineEdit::setMaxLength would also cut texts the program sets; only typing is limited here.
    e->setValidator(new TypedLengthValidator(e));
    QObject::connect(e, &QLineEdit::textEdited, e, [e] { e->setStyleSheet(QString()); });
    return e;
}

namespace {
constexpr const char *kHelpTopicProperty = "helpTopic";
} // namespace

void SetHelpTopic(QWidget *w, int topic) {
    w->setProperty(kHelpTopicProperty, topic);
}

int HelpTopicAt(const QWidget *w) {
    for (; w; w = w->parentWidget()) {
        const QVariant topic = w->property(kHelpTopicProperty);
        if (topic.isValid())
            return topic.toInt();
    }
    return -1;
}

void MarkFieldInvalid(QLineEdit *field) {
    field->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #d00000; }"));
    field->setFocus();
    field->selectAll();
}

} // namespace spi::gui

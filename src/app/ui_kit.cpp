#include "app/ui_kit.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QValidator>

namespace spi::gui {

QColor ColorFromModel(std::int32_t bgr) {
    const auto v = static_cast<std::uint32_t>(bgr);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

std::int32_t ColorToModel(const QColor &c) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
                                     (static_cast<std::uint32_t>(c.blue()) << 16));
}

void ApplyBackground(QWidget *w, std::int32_t bgr) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ColorFromModel(bgr));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void AttachColorMenu(QWidget *w, GuiServices &services, std::function<void(std::int32_t)> onChosen) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, w, [w, &services, onChosen](const QPoint &at) {
        QMenu menu(w);
        QAction *color = menu.addAction(QStringLiteral("Цвет"));
        if (menu.exec(w->mapToGlobal(at)) != color) return;
        const QColor initial = w->palette().color(QPalette::Window);
        const auto chosen = services.chooseColor ? services.chooseColor(w, initial) : std::nullopt;
        if (chosen) onChosen(ColorToModel(*chosen));
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
        if (validateOnEnter && !validateOnEnter()) return;
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        services_.model.dialogCancelled = 1;
        done(QDialog::Rejected);
    });
    return row;
}

int ParameterDialog::Run() {
    ApplyBackground(this, services_.model.dialogColor);
    setResult(0); // a driver that shows nothing must not find the last opening's result
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

void ParameterDialog::reject() {
    // The close box takes the entries, as "Ввод" does.
    if (validateOnEnter && !validateOnEnter()) return;
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

// Typing stops at the limit; texts the program sets are not validated, so they stay whole.
class TypedLengthValidator : public QValidator {
public:
    TypedLengthValidator(int limit, QObject *parent) : QValidator(parent), limit_(limit) {}
    State validate(QString &input, int &) const override {
        return input.size() <= limit_ ? Acceptable : Invalid;
    }

private:
    int limit_;
};

} // namespace

QLineEdit *MakeField(QWidget *parent, int maxLength, const QString &text) {
    auto *e = new QLineEdit(text, parent);
    // QLineEdit::setMaxLength would also cut texts the program sets; only typing is limited here.
    e->setValidator(new TypedLengthValidator(maxLength, e));
    QObject::connect(e, &QLineEdit::textEdited, e, [e] { e->setStyleSheet(QString()); });
    return e;
}

void MarkFieldInvalid(QLineEdit *field) {
    field->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #d00000; }"));
    field->setFocus();
    field->selectAll();
}

} // namespace spi::gui

#include "gui/app/splash_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <array>
#include <cmath>
#include <numbers>

namespace spi::gui {

namespace {

// Geometry of the drawing, in pixels; box widths follow the captions.
constexpr int kMargin = 22;
constexpr int kArrowGap = 46;
constexpr int kTopSpace = 44; // room above the rows for the noise entering the channel
constexpr int kRowGap = 64;
constexpr int kChannelWidth = 150;
constexpr int kPadding = 14;

// The chain runs left to right along the top row into the channel and comes back right to left
// along the bottom row, so that each column pairs a block with its counterpart at the receiver.
struct Column {
    const char *top;
    const char *bottom;
    QColor fill;
};

const std::array<Column, 3> kColumns = {{
    {"Источник", "Получатель", QColor(0xd7, 0xec, 0xd9)},
    {"УЗО", "Декодер", QColor(0xd6, 0xe4, 0xf7)},
    {"Перемежитель", "Деперемежитель", QColor(0xe9, 0xdf, 0xf5)},
}};

QFont CaptionFont(const QFont &base) {
    QFont f = base;
    f.setPointSize(10);
    f.setBold(true);
    return f;
}

int BoxHeight(const QFontMetrics &fm) {
    return fm.height() * 5 / 2;
}

std::array<int, 3> ColumnWidths(const QFontMetrics &fm) {
    std::array<int, 3> widths{};
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const int top = fm.horizontalAdvance(QString::fromUtf8(kColumns[i].top));
        const int bottom = fm.horizontalAdvance(QString::fromUtf8(kColumns[i].bottom));
        widths[i] = std::max({top, bottom, 56}) + 2 * kPadding;
    }
    return widths;
}

void DrawBox(QPainter &p, const QRectF &r, const QColor &fill, const QString &caption) {
    p.setPen(QPen(QColor(0x3c, 0x4f, 0x73), 1.4));
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, fill.lighter(112));
    g.setColorAt(1, fill.darker(106));
    p.setBrush(g);
    p.drawRoundedRect(r, 7, 7);
    p.setPen(QColor(0x1c, 0x26, 0x3a));
    p.drawText(r, Qt::AlignCenter, caption);
}

void DrawArrow(QPainter &p, QPointF from, QPointF to) {
    p.setPen(QPen(QColor(0x2d, 0x3e, 0x5e), 2.0));
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    constexpr double kHead = 9.0;
    constexpr double kSpread = 0.42;
    QPolygonF head;
    head << to
         << QPointF(to.x() - kHead * std::cos(angle - kSpread),
                    to.y() - kHead * std::sin(angle - kSpread))
         << QPointF(to.x() - kHead * std::cos(angle + kSpread),
                    to.y() - kHead * std::sin(angle + kSpread));
    p.setBrush(QColor(0x2d, 0x3e, 0x5e));
    p.drawPolygon(head);
}

// A carrier with noise on it: a sum of incommensurate sines stands in for the noise, so that
// the picture is the same at every start.
void DrawNoisySignal(QPainter &p, const QRectF &area) {
    QPainterPath clean;
    QPainterPath noisy;
    const double mid = area.center().y();
    const double amp = area.height() * 0.32;
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    constexpr int kSteps = 90;
    for (int i = 0; i <= kSteps; ++i) {
        const double x = area.left() + area.width() * i / kSteps;
        const double carrier = std::sin(kTwoPi * 2.0 * i / kSteps);
        const double noise =
            0.22 * std::sin(i * 1.37) + 0.16 * std::sin(i * 2.91 + 1.0) + 0.1 * std::sin(i * 4.63);
        const QPointF c(x, mid - amp * carrier);
        const QPointF n(x, mid - amp * (carrier + noise));
        if (i == 0) {
            clean.moveTo(c);
            noisy.moveTo(n);
        } else {
            clean.lineTo(c);
            noisy.lineTo(n);
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x4f, 0x6f, 0xa8), 1.4, Qt::DashLine));
    p.drawPath(clean);
    p.setPen(QPen(QColor(0xc2, 0x2f, 0x1f), 1.8));
    p.drawPath(noisy);
}

// The noise enters the channel from above: a jagged stroke ending in an arrow head.
void DrawNoiseSource(QPainter &p, const QRectF &channel, const QFont &font) {
    const double x = channel.center().x();
    const double top = 6;
    QFont f = font;
    f.setBold(false);
    f.setItalic(true);
    p.setFont(f);
    const QString label = QStringLiteral("помехи");
    const QFontMetricsF fm(f);
    p.setPen(QColor(0xa3, 0x2a, 0x1c));
    p.drawText(QPointF(x + 16, top + fm.ascent()), label);

    QPolygonF bolt;
    bolt << QPointF(x + 6, top) << QPointF(x - 6, top + 13) << QPointF(x + 5, top + 17)
         << QPointF(x - 5, channel.top() - 9);
    p.setPen(QPen(QColor(0xc2, 0x2f, 0x1f), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(bolt);
    DrawArrow(p, QPointF(x - 4, channel.top() - 12), QPointF(x - 3, channel.top()));
}

} // namespace

ChainPicture::ChainPicture(QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ChainPicture::sizeHint() const {
    const QFontMetrics fm(CaptionFont(font()));
    const auto widths = ColumnWidths(fm);
    const int width =
        2 * kMargin + widths[0] + widths[1] + widths[2] + 3 * kArrowGap + kChannelWidth;
    const int height = kTopSpace + 2 * BoxHeight(fm) + kRowGap + kMargin;
    return {width, height};
}

void ChainPicture::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xf4, 0xf8, 0xff));
    sky.setColorAt(1, QColor(0xdc, 0xe7, 0xf6));
    p.fillRect(rect(), sky);

    const QFont font = CaptionFont(this->font());
    p.setFont(font);
    const QFontMetrics fm(font);
    const auto widths = ColumnWidths(fm);
    const int boxH = BoxHeight(fm);
    const double topY = kTopSpace;
    const double bottomY = topY + boxH + kRowGap;

    std::array<QRectF, 3> top;
    std::array<QRectF, 3> bottom;
    double x = kMargin;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        top[i] = QRectF(x, topY, widths[i], boxH);
        bottom[i] = QRectF(x, bottomY, widths[i], boxH);
        x += widths[i] + kArrowGap;
    }
    const QRectF channel(x, topY, kChannelWidth, bottomY + boxH - topY);

    // Channel first, so that the arrows run over its edge.
    p.setPen(QPen(QColor(0x7a, 0x4a, 0x12), 1.4));
    QLinearGradient warm(channel.topLeft(), channel.bottomLeft());
    warm.setColorAt(0, QColor(0xff, 0xf0, 0xd2));
    warm.setColorAt(1, QColor(0xfb, 0xd9, 0x9c));
    p.setBrush(warm);
    p.drawRoundedRect(channel, 9, 9);
    p.setPen(QColor(0x1c, 0x26, 0x3a));
    p.setFont(font);
    const QRectF channelCaption(channel.left(), channel.top() + 6, channel.width(),
                                fm.height() + 4);
    p.drawText(channelCaption, Qt::AlignCenter, QStringLiteral("Канал"));
    DrawNoisySignal(p, channel.adjusted(14, fm.height() + 16, -14, -14));
    DrawNoiseSource(p, channel, font);
    p.setFont(font);

    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        DrawBox(p, top[i], kColumns[i].fill, QString::fromUtf8(kColumns[i].top));
        DrawBox(p, bottom[i], kColumns[i].fill, QString::fromUtf8(kColumns[i].bottom));
    }

    const double topMid = topY + boxH / 2.0;
    const double bottomMid = bottomY + boxH / 2.0;
    for (std::size_t i = 0; i + 1 < kColumns.size(); ++i) {
        DrawArrow(p, QPointF(top[i].right(), topMid), QPointF(top[i + 1].left(), topMid));
        DrawArrow(p, QPointF(bottom[i + 1].left(), bottomMid),
                  QPointF(bottom[i].right(), bottomMid));
    }
    DrawArrow(p, QPointF(top[2].right(), topMid), QPointF(channel.left(), topMid));
    DrawArrow(p, QPointF(channel.left(), bottomMid), QPointF(bottom[2].right(), bottomMid));
}

SplashWindow::SplashWindow(int ms, QWidget *parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("splashFrame"));
    frame->setStyleSheet(
        QStringLiteral("#splashFrame { border: 1px solid #4a6894; background: #ffffff; }"));

    auto *picture = new ChainPicture(frame);

    auto *text = new QLabel(frame);
    text->setTextFormat(Qt::RichText);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setStyleSheet(QStringLiteral("QLabel { border: none; background: transparent; }"));
    text->setText(QStringLiteral(
        "<p style=\"font-size:14pt; font-weight:bold; color:#1f3f7f;\">"
        "Автоматизированное рабочее место исследования СПИ</p>"
        "<p style=\"font-size:10pt; color:#303030;\">Статистическое моделирование цифровой "
        "системы передачи информации:<br>помехоустойчивые коды, перемежение, модели канала "
        "и решающего устройства</p>"));

    auto *inner = new QVBoxLayout(frame);
    inner->setContentsMargins(1, 1, 1, 12);
    inner->setSpacing(8);
    inner->addWidget(picture, 0, Qt::AlignHCenter);
    inner->addWidget(text);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    text->setFixedWidth(picture->sizeHint().width());

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(ms);
    connect(timer_, &QTimer::timeout, this, [this] {
        expired_ = true;
        accept();
    });
}

void SplashWindow::closeEvent(QCloseEvent *event) {
    if (expired_)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void SplashWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    // The time counts from the moment the window appears, not from its creation.
    if (!expired_ && !timer_->isActive())
        timer_->start();
}

} // namespace spi::gui

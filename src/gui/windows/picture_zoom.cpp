#include "gui/windows/picture_zoom.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace spi::gui {

namespace {

// One notch of the wheel shows this share of the multiplicities shown before it.
constexpr double kNotchScale = 0.8;
// A level mark may reach this far over the gap beside its bar before it turns upright.
constexpr qreal kLevelOverhang = 4;

class RangeSpinBox : public QSpinBox {
public:
    explicit RangeSpinBox(QWidget *parent) : QSpinBox(parent) {
        // Typing "2040" would otherwise show 2, 20 and 204 on the way.
        setKeyboardTracking(false);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    // The spin box passes Enter on after taking the value; in a dialog that would press the
    // default button ("Печать").
    void keyPressEvent(QKeyEvent *event) override {
        QSpinBox::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

} // namespace

RangeFields MakeRangeFields(QWidget *parent) {
    RangeFields f{};
    f.group = new QGroupBox(QStringLiteral("Кратности"), parent);
    f.group->setObjectName(QStringLiteral("RangeBox"));
    auto *layout = new QGridLayout(f.group);
    layout->setContentsMargins(6, 4, 4, 4);
    layout->setSpacing(4);
    const auto addRow = [&f, layout](int row, const QString &caption, const char *name) {
        auto *box = new RangeSpinBox(f.group);
        box->setObjectName(QString::fromLatin1(name));
        layout->addWidget(new QLabel(caption, f.group), row, 0);
        layout->addWidget(box, row, 1);
        return box;
    };
    f.from = addRow(0, QStringLiteral("от"), "RangeFrom");
    f.to = addRow(1, QStringLiteral("до"), "RangeTo");
    f.reset = new QPushButton(QStringLiteral("Сброс"), f.group);
    f.reset->setObjectName(QStringLiteral("RangeReset"));
    f.reset->setToolTip(QStringLiteral("Показать все кратности"));
    // Enter stays with the window's own default button.
    f.reset->setAutoDefault(false);
    layout->addWidget(f.reset, 2, 0, 1, 2);
    return f;
}

MultRange ClampRange(MultRange range, int highest) {
    highest = std::max(highest, 0);
    if (range.first > range.last)
        std::swap(range.first, range.last);
    return {std::clamp(range.first, 0, highest), std::clamp(range.last, 0, highest)};
}

MultRange ZoomAround(MultRange range, int highest, WheelTurn turn) {
    range = ClampRange(range, highest);
    const int all = std::max(highest, 0) + 1;
    const int count = range.count();
    int wanted = static_cast<int>(std::lround(count * std::pow(kNotchScale, turn.notches)));
    // Rounding would freeze a narrow view: a few multiplicities times 0.8 rounds back to itself.
    if (wanted == count && turn.notches != 0)
        wanted += turn.notches > 0 ? -1 : 1;
    wanted = std::clamp(wanted, 1, all);

    const double left = range.first - 0.5;
    const double share = std::clamp((turn.at - left) / count, 0.0, 1.0);
    const double newLeft = left + share * count - share * wanted;
    const int first = std::clamp(static_cast<int>(std::lround(newLeft + 0.5)), 0, all - wanted);
    return {first, first + wanted - 1};
}

MarkFit FitMarks(qreal slotPixels, QSizeF mark) {
    if (mark.width() <= slotPixels * kBarWidth / 2 + kLevelOverhang)
        return MarkFit::Level;
    if (mark.height() <= slotPixels)
        return MarkFit::Upright;
    return MarkFit::None;
}

int LabelStep(qreal pixelsPerUnit, qreal labelWidth) {
    static constexpr std::array<int, 10> kSteps{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    for (const int step : kSteps)
        if (step * pixelsPerUnit >= labelWidth)
            return step;
    return kSteps.back();
}

} // namespace spi::gui

// The diagram's horizontal view: which multiplicities are shown, the fields that choose them, how
// the mouse wheel narrows or widens them, and whether the value marks have room over their bars at
// the present scale.
#pragma once

#include <QSizeF>

class QGroupBox;
class QPushButton;
class QSpinBox;
class QWidget;

namespace spi::gui {

// The share of a multiplicity's slot taken by its two bars together.
inline constexpr qreal kBarWidth = 0.8;

// The multiplicities first .. last shown on the axis, both included.
struct MultRange {
    int first = 0;
    int last = 0;
    int count() const { return last - first + 1; }
    bool operator==(const MultRange &) const = default;
};

// The range kept within 0 .. highest, at least one multiplicity wide; first and last swap places
// when given the wrong way round.
MultRange ClampRange(MultRange range, int highest);

// A turn of the mouse wheel: the axis value under the cursor and the notches turned (positive:
// nearer, fractions from fine-grained wheels).
struct WheelTurn {
    double at;
    double notches;
};

// The range after a turn: the multiplicity under the cursor keeps its place on the screen as far
// as the edges 0 and highest allow, and every non-zero turn changes the width by at least one
// multiplicity.
MultRange ZoomAround(MultRange range, int highest, WheelTurn turn);

// The group "Кратности": the fields "от" and "до" and the button "Сброс". The fields report a
// typed value on Enter or on leaving them, and Enter in them presses no button of the window.
struct RangeFields {
    QGroupBox *group;
    QSpinBox *from, *to;
    QPushButton *reset;
};
RangeFields MakeRangeFields(QWidget *parent);

// How the value marks stand over their bars.
enum class MarkFit { Level, Upright, None };

// mark: the width of the widest mark in view and the line height of the marks. Level while the
// widest mark stays about within its bar; upright while the line height fits into the slot of one
// multiplicity, so that the marks of one distribution do not run into each other; None when even
// that fails and the marks would smear into one dark band.
MarkFit FitMarks(qreal slotPixels, QSizeF mark);

// The step of the multiplicity numbers on the axis: 1 while they fit side by side, otherwise the
// smallest of 2, 5, 10, 20, ... that leaves room for the widest number.
int LabelStep(qreal pixelsPerUnit, qreal labelWidth);

} // namespace spi::gui

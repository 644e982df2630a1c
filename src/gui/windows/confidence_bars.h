// The confidence bars of a curve: the vertical bar of every point from P - h to P + h with short
// caps, drawn over the plot area of a chart with a logarithmic probability axis.
#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QLineF>

#include <vector>

class QChart;
class QLineSeries;
class QLogValueAxis;

namespace spi::gui {

// It holds values, not positions, so that it follows every change of the axes.
class ConfidenceBars : public QGraphicsItem {
public:
    ConfidenceBars(QChart *chart, QLineSeries *series, QLogValueAxis *axis, const QColor &color);

    void Add(double x, double low, double high);
    void Clear();
    // Redraws the bars where the axes put them now.
    void Refresh();

    // Each bar as drawn: the part inside the axis range, with whether each end is the bar's own.
    struct Segment {
        QLineF line; // from the lower end up
        bool lowCap, highCap;
    };
    std::vector<Segment> Segments() const;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override;

private:
    struct Bar {
        double x, low, high;
    };
    static constexpr qreal kCap = 4; // half the width of a cap, pixels

    QChart *chart_;
    QLineSeries *series_;
    QLogValueAxis *axis_;
    QColor color_;
    std::vector<Bar> bars_;
};

} // namespace spi::gui

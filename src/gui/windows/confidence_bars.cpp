#include "gui/windows/confidence_bars.h"

#include <QChart>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPainter>

#include <algorithm>

namespace spi::gui {

ConfidenceBars::ConfidenceBars(QChart *chart, QLineSeries *series, QLogValueAxis *axis,
                               const QColor &color)
    : QGraphicsItem(chart), chart_(chart), series_(series), axis_(axis), color_(color) {
    setZValue(10);
}

void ConfidenceBars::Add(double x, double low, double high) {
    bars_.push_back({x, low, high});
    Refresh();
}

void ConfidenceBars::Clear() {
    bars_.clear();
    Refresh();
}

void ConfidenceBars::Refresh() {
    prepareGeometryChange();
    update();
}

std::vector<ConfidenceBars::Segment> ConfidenceBars::Segments() const {
    std::vector<Segment> out;
    const double bottom = axis_->min(), top = axis_->max();
    for (const Bar &b : bars_) {
        // A half-width as large as P leaves no lower end on a logarithmic axis: the bar then
        // runs off the bottom of the plot.
        const double low = std::max(b.low, bottom);
        const double high = std::min(b.high, top);
        if (!(low < high))
            continue;
        const QPointF p0 = chart_->mapToPosition(QPointF(b.x, low), series_);
        const QPointF p1 = chart_->mapToPosition(QPointF(b.x, high), series_);
        out.push_back({QLineF(p0, p1), b.low >= bottom, b.high <= top});
    }
    return out;
}

QRectF ConfidenceBars::boundingRect() const {
    return chart_->plotArea().adjusted(-kCap, -kCap, kCap, kCap);
}

void ConfidenceBars::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) {
    painter->save();
    painter->setClipRect(chart_->plotArea().adjusted(-kCap, -1, kCap, 1));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(color_, 1.5));
    for (const Segment &s : Segments()) {
        painter->drawLine(s.line);
        const auto cap = [painter](QPointF at) {
            painter->drawLine(QPointF(at.x() - kCap, at.y()), QPointF(at.x() + kCap, at.y()));
        };
        if (s.lowCap)
            cap(s.line.p1());
        if (s.highCap)
            cap(s.line.p2());
    }
    painter->restore();
}

} // namespace spi::gui

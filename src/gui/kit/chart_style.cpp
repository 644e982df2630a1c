#include "gui/kit/chart_style.h"

#include <QChart>
#include <QFont>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLinearGradient>

namespace spi::gui {

QChart *MakeStyledChart(double titleScale) {
    auto *chart = new QChart;
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * titleScale);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(QColor(0x20, 0x20, 0x40));
    // The gradient follows the chart's size: it is given in the background's own box.
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
    gradient.setColorAt(1.0, QColor(0xC8, 0xD8, 0xEE));
    chart->setBackgroundBrush(gradient);
    chart->setBackgroundRoundness(0);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

} // namespace spi::gui

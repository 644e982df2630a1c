// The look every chart of the workstation shares: a bold title, the gradient background that
// follows the chart's size, no margins, the legend at the top.
#pragma once

class QChart;

namespace spi::gui {

// A new chart in that style; titleScale enlarges the title's font.
QChart *MakeStyledChart(double titleScale);

} // namespace spi::gui

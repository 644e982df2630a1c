// What a window shows, written to a file the user chooses: the file is written whole or not at
// all, and a name typed without a suffix gets the format's.
#pragma once

#include "gui/kit/gui_services.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace spi::gui {

// Asks for the file and writes the bytes made by `bytes`, which is called only once a file is
// chosen; false when the user cancelled, there was nothing to write (with a message) or the file
// was not written.
bool SaveExport(GuiServices &services, QWidget *parent, const QString &caption,
                const QString &preset, const QString &filter, const QString &suffix,
                const std::function<std::string()> &bytes);

// "Экспорт CSV" of the results window: the last run's distributions and figures.
bool ExportDistributionsCsv(GuiServices &services, QWidget *parent, bool withCoder);
// The bar chart of "Рисунок" (or any chart view) as a PNG picture.
bool ExportChartPng(GuiServices &services, QWidget *parent, QWidget *chartView);

} // namespace spi::gui

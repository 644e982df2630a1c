// "Печать...": the plain report through a scratch file "impfile.txt" and a rich-text view, to the
// printer the user chooses; the scratch file is deleted afterwards.
#pragma once

#include "gui/kit/gui_services.h"

#include <QString>

class QTextEdit;
class QPrinter;

namespace spi::gui {

// The text of the plain report as the program shows it (UTF-8), or an empty string with the
// message given when the report cannot be made.
QString PlainReportText(GuiServices &services);

// Writes the scratch file into scratchDir, loads it into view, asks for the printer and prints.
// Returns whether something was printed.
bool PrintReport(GuiServices &services, QWidget *parent, const QString &scratchDir,
                 QTextEdit *view);

} // namespace spi::gui

// "Импорт": the plain test report handed to the desktop's rich-text program as "impfile.rtf".
#pragma once

#include "gui/kit/gui_services.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>

namespace spi::gui {

// A rich-text document holding a code page 1251 text as it stands: one paragraph per line, in a
// monospaced font so that the report's columns line up.
std::string RichTextFromCp1251(std::string_view cp1251);

// Opens a file in the program the desktop has registered for its type; false when there is none.
bool OpenWithDesktop(const QString &path);

// Writes the plain report to "impfile.txt" and its rich-text form to "impfile.rtf" in a new folder
// inside scratchDir, and hands the .rtf to open (OpenWithDesktop when empty). Both files are left
// in place: the other program reads the document after this returns, so they go only when
// scratchDir does. Every failure is told through the notifier; true when the document was handed
// over.
bool ImportReport(GuiServices &services, const QString &scratchDir,
                  const std::function<bool(const QString &rtfPath)> &open = {});

} // namespace spi::gui

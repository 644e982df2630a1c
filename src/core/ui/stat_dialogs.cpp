#include "core/ui/stat_dialogs.h"

namespace spi::gui {
Stat1Dialog::Stat1Dialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Статистические испытания"), p) {}
bool Stat1Dialog::RunStep() { return true; }
Stat2Dialog::Stat2Dialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Стат2"), p) {}
bool Stat2Dialog::RunStep() { return true; }
} // namespace spi::gui

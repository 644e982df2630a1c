#include "core/ui/interleaver_dialog.h"

namespace spi::gui {
InterleaverDialog::InterleaverDialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Перемежитель"), p) {}
void InterleaverDialog::RunStep() {}
} // namespace spi::gui

#include "channel/ui/signal_dialog.h"

namespace spi::gui {
SignalDialog::SignalDialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Параметры сигнала"), p) {}
void SignalDialog::RunStep() {}
} // namespace spi::gui

#include "channel/ui/cont_channel1_dialog.h"

namespace spi::gui {
ContChannel1Dialog::ContChannel1Dialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Непрерывный канал"), p) {}
bool ContChannel1Dialog::RunStep() { return false; }
} // namespace spi::gui

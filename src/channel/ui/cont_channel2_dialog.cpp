#include "channel/ui/cont_channel2_dialog.h"

namespace spi::gui {
ContChannel2Dialog::ContChannel2Dialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Непрерывный канал"), p) {}
void ContChannel2Dialog::RunStep() {}
} // namespace spi::gui

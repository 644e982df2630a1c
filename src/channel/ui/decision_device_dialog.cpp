#include "channel/ui/decision_device_dialog.h"

namespace spi::gui {
DecisionDeviceDialog::DecisionDeviceDialog(GuiServices &s, QWidget *p) : ParameterDialog(s, QStringLiteral("Решающее устройство"), p) {}
void DecisionDeviceDialog::RunStep() {}
} // namespace spi::gui

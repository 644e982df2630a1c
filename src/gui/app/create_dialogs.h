// Creates every window of the workstation but the main and the stage window, in the system's
// order; only the application shell creates and wires windows.
#pragma once

#include "gui/kit/gui_services.h"
#include "gui/windows/dialog_set.h"

class QWidget;

namespace spi::gui {

// The windows are children of owner and live as long as it does.
DialogSet CreateDialogs(GuiServices &services, QWidget *owner);

} // namespace spi::gui

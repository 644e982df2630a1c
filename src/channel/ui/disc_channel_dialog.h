#pragma once

#include "app/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Дискретный канал": the calculated discrete channel, shown for editing.
class DiscChannelDialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit DiscChannelDialog(GuiServices &services, QWidget *parent = nullptr);
    // Returns true when "Стат 1" is to be enabled (the dialog was shown, accepted or not).
    bool RunStep();
};

} // namespace spi::gui

#pragma once

#include "app/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Непрерывный канал" of the structure "ДК".
class ContChannel1Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit ContChannel1Dialog(GuiServices &services, QWidget *parent = nullptr);
    // Returns true when the entries were taken (the caller then disables "Стат 1" and "Стат2").
    bool RunStep();
};

} // namespace spi::gui

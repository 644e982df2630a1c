#pragma once

#include "app/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Решающее устройство": the decision rule and the mean error probability.
class DecisionDeviceDialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit DecisionDeviceDialog(GuiServices &services, QWidget *parent = nullptr);
    // The caller enables "Стат 1" afterwards in every case.
    void RunStep();
};

} // namespace spi::gui

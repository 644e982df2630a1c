#pragma once

#include "gui/kit/ui_kit.h"

class QButtonGroup;
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

private:
    QButtonGroup *criterion_ = nullptr; // RadioGroup1 "Правило решения"
    QLineEdit *edit1_ = nullptr;        // Pср, shown only
};

} // namespace spi::gui

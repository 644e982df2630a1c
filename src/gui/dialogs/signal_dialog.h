#pragma once

#include "gui/kit/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Параметры сигнала": the probability of a one in the source.
class SignalDialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit SignalDialog(GuiServices &services, QWidget *parent = nullptr);
    // The handler of the stage button "Сигнал": fill from the model, show, take the entry.
    void RunStep();

private:
    QLineEdit *edit1_ = nullptr; // P1
};

} // namespace spi::gui

#pragma once

#include "app/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Непрерывный канал" of the structure "РУ".
class ContChannel2Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit ContChannel2Dialog(GuiServices &services, QWidget *parent = nullptr);
    void RunStep();
};

} // namespace spi::gui

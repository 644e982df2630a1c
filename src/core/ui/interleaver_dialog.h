#pragma once

#include "app/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Перемежитель": the parameters A, C and L.
class InterleaverDialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit InterleaverDialog(GuiServices &services, QWidget *parent = nullptr);
    void RunStep();
};

} // namespace spi::gui

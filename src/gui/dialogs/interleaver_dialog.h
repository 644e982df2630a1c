#pragma once

#include "gui/kit/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Перемежитель": the parameters A, C and L.
class InterleaverDialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit InterleaverDialog(GuiServices &services, QWidget *parent = nullptr);
    // Fills A, C and L, shows the dialog and stores the entries unless cancelled. The parameters
    // are checked only when a run builds its permutation.
    void RunStep();

private:
    QLineEdit *edit1_ = nullptr; // A
    QLineEdit *edit2_ = nullptr; // C
    QLineEdit *edit3_ = nullptr; // L
};

} // namespace spi::gui

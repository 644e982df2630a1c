#pragma once

#include "app/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// The dialogs of the two test runs.
class Stat1Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit Stat1Dialog(GuiServices &services, QWidget *parent = nullptr);
    // Fills n and NB, shows the dialog, stores the entries; true when the run is to start.
    bool RunStep();
};

class Stat2Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit Stat2Dialog(GuiServices &services, QWidget *parent = nullptr);
    bool RunStep();
};

} // namespace spi::gui

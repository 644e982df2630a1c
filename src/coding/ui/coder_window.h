// "УЗО": the coder settings window.
#pragma once

#include "app/ui_kit.h"

class QLabel;

namespace spi::gui {

class CoderWindow : public ParameterDialog {
    Q_OBJECT
public:
    explicit CoderWindow(GuiServices &services, QWidget *parent = nullptr);
    // The stage button "УЗО": opening, the window, taking over; true when closed with "Ввод"
    // (the caller then enables "Стат2").
    bool RunStep();
    // The data file's open step: every code-type button unchecked.
    void ClearCodeTypeButtons();

private:
    QLabel *summary_;
};

} // namespace spi::gui

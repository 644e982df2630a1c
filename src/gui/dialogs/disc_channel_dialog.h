#pragma once

#include "gui/kit/ui_kit.h"

#include <array>

class QLabel;
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

private:
    // Edit1..Edit8: P0, P1, E0, E1, E2, P01, P21, PP.
    std::array<QLineEdit *, 8> edits_{};
    QLabel *label10_ = nullptr; // Pср, display only
};

} // namespace spi::gui

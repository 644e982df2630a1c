#pragma once

#include "gui/dialogs/cont_channel1_dialog.h"
#include "gui/kit/ui_kit.h"

class QLineEdit;
class QRadioButton;

namespace spi::gui {

// "Непрерывный канал" of the structure "РУ".
class ContChannel2Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit ContChannel2Dialog(GuiServices &services, QWidget *parent = nullptr);
    void RunStep();
    // Whether the last RunStep took the entries (channelEntered is then 0).
    bool entriesTaken() const { return taken_; }

private:
    QLineEdit *edit1_ = nullptr; // Hp
    QLineEdit *edit2_ = nullptr; // m
    QLineEdit *edit3_ = nullptr; // Hc
    QLineEdit *edit4_ = nullptr; // Q
    ModemGroups groups_;
    bool taken_ = false;
};

} // namespace spi::gui

#pragma once

#include "gui/kit/ui_kit.h"

class QBoxLayout;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace spi::gui {

// The radio groups "Модулятор" (RadioGroup1: "АМ", "ЧМ", "ФМ") and "Демодулятор" (RadioGroup2:
// "когерентный", "некогерентный") of both continuous-channel dialogs. Their buttons are named
// RadioGroup1Item0 ... RadioGroup2Item1; the selection stays between openings.
class ModemGroups {
public:
    explicit ModemGroups(QWidget *parent);
    QGroupBox *modulatorBox() const { return modulatorBox_; }
    QGroupBox *demodulatorBox() const { return demodulatorBox_; }
    // The two groups side by side, as both variants of the dialog place them.
    void AddRow(QBoxLayout *outer) const;
    // Shows the items the engine filled in. A modulation code that is none of АМ, ЧМ, ФМ leaves
    // the modulator group as it was; a demodulator item outside the group selects nothing.
    void Show(double md, int modulatorItem, int demodulatorItem);
    // The items to read back: the selected ones, or those shown where nothing is selected.
    void Take(int &modulatorItem, int &demodulatorItem) const;

private:
    QGroupBox *modulatorBox_ = nullptr;
    QGroupBox *demodulatorBox_ = nullptr;
    QButtonGroup *modulator_ = nullptr;
    QButtonGroup *demodulator_ = nullptr;
    int shownModulator_ = 0;
    int shownDemodulator_ = 0;
};

// "Непрерывный канал" of the structure "ДК".
class ContChannel1Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit ContChannel1Dialog(GuiServices &services, QWidget *parent = nullptr);
    // Returns true when the entries were taken (the caller then disables "Стат 1" and "Стат2").
    bool RunStep();

private:
    QLineEdit *edit1_ = nullptr; // Hp
    QLineEdit *edit2_ = nullptr; // Hc
    QLineEdit *edit3_ = nullptr; // H1
    QLineEdit *edit4_ = nullptr; // H2
    QLineEdit *edit5_ = nullptr; // m
    QLineEdit *edit6_ = nullptr; // Q
    ModemGroups groups_;
};

} // namespace spi::gui

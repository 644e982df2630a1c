// "УЗО": the coder settings window. It shows the coder-settings model (coding/coder_settings.h)
// and forwards every event of its controls to it; after each event every control is filled
// again from the model, so the window never holds a state of its own.
#pragma once

#include "forms/coder_settings.h"
#include "gui/kit/ui_kit.h"

#include <array>
#include <span>

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace spi::gui {

// Brings the panel of the checked type to the front, as a user would with "Другие" or "O K". A
// fixed code's button does not change the panel, so a type checked on opening (after a data file,
// say) could otherwise sit checked on a hidden panel and be taken over unseen.
void ShowPanelOfCheckedType(CoderSettings &coder);

class CoderWindow : public ParameterDialog {
    Q_OBJECT
public:
    explicit CoderWindow(GuiServices &services, QWidget *parent = nullptr);
    // The stage button "УЗО": opening, the window, taking over (the caller has already dealt
    // with help mode); true when closed with "Ввод" or the close box and the settings were taken
    // over (the caller then enables "Стат2").
    bool RunStep();
    // The data file's open step: every code-type button unchecked, no handler run.
    void ClearCodeTypeButtons();

private:
    struct Spin {
        QWidget *frame = nullptr;
        QToolButton *up = nullptr;
        QToolButton *down = nullptr;
    };

    QWidget *BuildTypePanel(const QString &name, std::span<const int> types,
                            const QString &otherName);
    QWidget *BuildSelectionPanel();
    QWidget *BuildRightColumn();
    QWidget *BuildBottomPanel();
    Spin MakeSpin(QWidget *parent, const QString &name, const QString &hint);
    void ConnectFields();
    // Runs one event on the model and shows the result.
    template <typename F> void Act(F &&event);
    void Refresh();

    CoderSettings coder_;

    QStackedWidget *panels_ = nullptr;
    QWidget *cyclicPanel_ = nullptr;
    QWidget *convolutionalPanel_ = nullptr;
    QWidget *selectionPanel_ = nullptr;
    // Indexed by code type; no button for type 11.
    std::array<QRadioButton *, 19> radio_{};

    QListWidget *listBox1_ = nullptr;
    QListWidget *listBox2_ = nullptr;
    QLineEdit *edit13_ = nullptr; // "Всего:"
    QLineEdit *edit6_ = nullptr;  // rate
    Spin spin2_;
    QLabel *innerLabel_ = nullptr;
    QLineEdit *edit7_ = nullptr; // inner code's rows

    QLabel *numberLabel_ = nullptr;
    QLineEdit *edit5_ = nullptr; // polynomial number
    Spin spin1_;

    QLineEdit *edit1_ = nullptr; // g(x)
    QLineEdit *edit2_ = nullptr; // n
    QLineEdit *edit3_ = nullptr; // k
    QLineEdit *edit4_ = nullptr; // Cm
    QLabel *label4_ = nullptr;
};

} // namespace spi::gui

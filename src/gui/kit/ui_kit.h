// Small pieces every window of the workstation shares: colours in the model's 0x00BBGGRR form,
// the dialog base with the system's "Ввод"/"Отмена" behaviour, and the pop-up item "Цвет".
#pragma once

#include "gui/kit/gui_services.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class QLineEdit;
class QPushButton;

namespace spi::gui {

QColor ColorFromModel(std::int32_t bgr);
std::int32_t ColorToModel(const QColor &c);
// Paints a window's background with a model colour.
void ApplyBackground(QWidget *w, std::int32_t bgr);

// A pop-up menu with the single item "Цвет" on w; the chosen colour is handed to onChosen.
void AttachColorMenu(QWidget *w, GuiServices &services,
                     const std::function<void(std::int32_t)> &onChosen);

// A parameter dialog: "Ввод" and the close box accept; "Отмена" sets dialogCancelled and closes.
// Escape does nothing (the dialogs have no cancel key).
class ParameterDialog : public QDialog {
    Q_OBJECT
public:
    ParameterDialog(GuiServices &services, const QString &caption, QWidget *parent = nullptr);

    // Adds the two buttons "Ввод" and "Отмена" in a row at the bottom of the layout the caller
    // made.
    QWidget *MakeButtonRow();
    QPushButton *enterButton() const { return enter_; }
    QPushButton *cancelButton() const { return cancel_; }

    // With the shared dialog colour, shown through the services (exec by default).
    int Run();

    // Optional check on "Ввод": return false to keep the dialog open.
    std::function<bool()> validateOnEnter;

protected:
    void reject() override; // close box: accepts, like "Ввод"
    void keyPressEvent(QKeyEvent *event) override;
    GuiServices &services_;

private:
    QPushButton *enter_ = nullptr;
    QPushButton *cancel_ = nullptr;
};

// A line edit that limits what the user types to maxLength characters; a text set by the program
// may be longer (a value written with its width can exceed the typing limit) and is kept whole.
QLineEdit *MakeField(QWidget *parent, int maxLength, const QString &text = {});

// The help topic that F1 opens while the focus is on w or on a widget inside it.
void SetHelpTopic(QWidget *w, int topic);
// The topic of the nearest widget from w outwards that has one; -1 when none has.
int HelpTopicAt(const QWidget *w);

// Marks a field as holding bad input (red frame) until it is edited again.
void MarkFieldInvalid(QLineEdit *field);

} // namespace spi::gui

// What every window of the workstation is handed: the one model, the way messages reach the user,
// and the few places where a window waits for the user (a modal dialog, a colour or file choice,
// help). The application fills them with the real dialogs; the window tests replace them so that a
// test can drive the program as a user would without blocking.
#pragma once

#include "chain/draw_budget.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <QColor>
#include <QString>

#include <cstdint>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace spi::gui {

// Values the windows share for the session (never saved): the cancel flag that a dialog's "Отмена"
// sets and its caller tests and resets, and the colours every dialog and the stage window get.
struct WindowValues {
    std::uint8_t dialogCancelled = 0;
    std::int32_t dialogColor = 0xFFFF00;
    std::int32_t stageWindowColor = 12860482;
};

struct GuiServices {
    explicit GuiServices(ModelState &m, Notifier &n) : model(m), notifier(n) {}

    ModelState &model;
    Notifier &notifier;
    WindowValues window;

    // Shows a dialog modally and returns its result (QDialog::exec by default).
    std::function<int(QDialog &)> execDialog;
    // The colour chooser of the pop-up item "Цвет"; nothing when the user cancels.
    std::function<std::optional<QColor>(QWidget *parent, const QColor &initial)> chooseColor;
    // File choices: the chosen path, or an empty string on cancel.
    std::function<QString(QWidget *parent, const QString &caption, const QString &presetName,
                          const QString &filter)>
        chooseOpenFile;
    std::function<QString(QWidget *parent, const QString &caption, const QString &presetName,
                          const QString &filter)>
        chooseSaveFile;
    // A Yes/No question with the question icon; true for "Да".
    std::function<bool(QWidget *parent, const QString &caption, const QString &text)> askYesNo;
    // The same with the warning icon, "Нет" the default; askYesNo where not given.
    std::function<bool(QWidget *parent, const QString &caption, const QString &text)> warnYesNo;
    // Help: a numbered topic (0 = contents) or a named one ("TabCycle").
    std::function<void(int topic)> openHelpTopic;
    std::function<void(const QString &name)> openHelpNamed;

    // The printer of the session, made on first use: the printer set-up changes it and every
    // print command prints on it, so the set-up and the printer last chosen in a print dialog
    // hold for the next print.
    std::shared_ptr<QPrinter> printer;
};

QPrinter &SessionPrinter(GuiServices &services);

// A save dialog that asks before an existing file is replaced. finalName turns the chosen name
// into the name that will be written (the extension rule of the command), and the question is
// asked for that name; "Нет" shows the dialog again. An empty string when the user gives up.
QString ChooseSaveTarget(GuiServices &services, QWidget *parent, const QString &caption,
                         const QString &presetName, const QString &filter,
                         const std::function<QString(const QString &)> &finalName);

// Before a run of `draws` draws: true when it needs no more than the generator's cycle, or when the
// user answers "Да" to the warning that it does (the text of spi-sim's line, and "Продолжить?").
bool ConfirmGeneratorCycle(GuiServices &services, QWidget *parent, const RunDraws &draws);

// The real dialogs, for the application.
void InstallInteractiveServices(GuiServices &services);

} // namespace spi::gui

// "Автоматизированное рабочее место исследования СПИ.": the frame with the tool bar, the menus,
// the choice of the model structure and the stage window as its only child.
#pragma once

#include "gui/kit/gui_services.h"
#include "gui/windows/dialog_set.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QToolButton;

namespace spi::gui {

class StageWindow;
class HelpViewer;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(GuiServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The commands, as the menus and the tool bar run them.
    void ChooseStructure(int channelType); // "ДК" = 1, "РУ" = 2
    void OpenData();
    void SaveData();
    void SaveResults();
    void PrintReport();
    void PrinterSetup();
    void ChooseStageColor();
    void SetHelpMode(bool on);
    void ShowAbout();
    // F1: the help topic of the window or button that has the focus (w, when given, receives
    // the key).
    void OpenContextHelp(QWidget *w = nullptr);

    StageWindow *stageWindow() const;
    DialogSet &dialogs() { return dialogs_; }
    QAction *action(const char *name) const;
    QMdiArea *mdiArea() const { return mdi_; }
    HelpViewer *helpViewer() const { return help_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The menus, then the tool bar; each builder wires the commands it adds.
    void BuildMenusAndToolBar();
    void BuildFileMenu();
    void BuildStructureMenu();
    void BuildOptionsMenu();
    void BuildResearchMenu();
    void BuildHelpMenu();
    void BuildToolBar();
    void SetFileCommandsEnabled(bool on);
    void StageWindowClosed();
    bool HasChild() const;

    GuiServices &services_;
    DialogSet dialogs_;
    QMdiArea *mdi_;
    QPointer<QMdiSubWindow> stageSub_;
    HelpViewer *help_;
};

} // namespace spi::gui

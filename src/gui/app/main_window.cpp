#include "gui/app/main_window.h"

#include "gui/app/create_dialogs.h"

#include "gui/app/help_viewer.h"
#include "gui/app/report_printer.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/coder_window.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/curve_window.h"
#include "gui/windows/report_import.h"
#include "gui/windows/stage_window.h"
#include "io/data_file.h"
#include "io/run_report.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QStyle>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>

namespace spi::gui {

namespace {

const char *const kDataFilters = "Исходные данные (*.dat);;Результаты (*.rez)";

// A private folder for the scratch files of printing and import, removed when the program ends.
QTemporaryDir &ScratchFolder() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/spi-workbench-XXXXXX"));
    return dir;
}

// A command of the menus or the tool bar; the tool bar's have a standard icon.
QAction *MakeAction(QWidget *owner, const char *name, const QString &text,
                    QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
    auto *a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    if (icon != QStyle::SP_CustomBase)
        a->setIcon(owner->style()->standardIcon(icon));
    return a;
}

} // namespace

MainWindow::MainWindow(GuiServices &services, QWidget *parent)
    : QMainWindow(parent), services_(services) {
    setObjectName(QStringLiteral("TKvir"));
    setWindowTitle(QStringLiteral("Автоматизированное рабочее место исследования СПИ."));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    // The colours every later window is given.
    services_.window.stageWindowColor = 12860482;
    services_.window.dialogColor = 0xFFFF00;

    mdi_ = new QMdiArea(this);
    mdi_->setBackground(ColorFromModel(8421440));
    mdi_->viewport()->installEventFilter(this);
    setCentralWidget(mdi_);

    help_ = new HelpViewer(this);
    if (!services_.openHelpTopic)
        services_.openHelpTopic = [this](int topic) {
            topic == 0 ? help_->ShowContents() : help_->ShowTopic(topic);
        };
    if (!services_.openHelpNamed)
        services_.openHelpNamed = [this](const QString &name) { help_->ShowNamed(name); };

    BuildMenusAndToolBar();
    dialogs_ = CreateDialogs(services_, this);
    SetHelpTopic(this, 2);
    SetHelpTopic(help_, 0);
    // F1 anywhere, modal dialogs included, opens the topic of what has the focus.
    qApp->installEventFilter(this);
    resize(1280, 720);
}

MainWindow::~MainWindow() {
    // The children go after this body; the stage window's end must not reach a half-destroyed
    // frame.
    if (stageSub_)
        disconnect(stageSub_, nullptr, this, nullptr);
}

QAction *MainWindow::action(const char *name) const {
    return findChild<QAction *>(QString::fromLatin1(name));
}

void MainWindow::BuildMenusAndToolBar() {
    BuildFileMenu();
    BuildStructureMenu();
    BuildOptionsMenu();
    BuildResearchMenu();
    BuildHelpMenu();
    BuildToolBar();
    SetFileCommandsEnabled(false);
}

void MainWindow::BuildFileMenu() {
    QMenu *file = menuBar()->addMenu(QStringLiteral("Файл"));
    QAction *open = MakeAction(this, "Open1", QStringLiteral("Открыть"));
    file->addAction(open);
    QMenu *save = file->addMenu(QStringLiteral("Сохранить..."));
    save->menuAction()->setObjectName(QStringLiteral("Save1"));
    QAction *saveData = MakeAction(this, "Save1_1", QStringLiteral("исходные данные"));
    QAction *saveResults = MakeAction(this, "Save1_2", QStringLiteral("результаты"));
    save->addAction(saveData);
    save->addAction(saveResults);
    file->addSeparator();
    QAction *print = MakeAction(this, "Print1", QStringLiteral("Печать..."));
    file->addAction(print);
    QAction *setup = MakeAction(this, "PrinterSetup1", QStringLiteral("Настройка принтера"));
    file->addAction(setup);
    file->addSeparator();
    QAction *exit = MakeAction(this, "Exit1", QStringLiteral("Выход"));
    file->addAction(exit);

    connect(open, &QAction::triggered, this, &MainWindow::OpenData);
    connect(saveData, &QAction::triggered, this, &MainWindow::SaveData);
    connect(saveResults, &QAction::triggered, this, &MainWindow::SaveResults);
    connect(print, &QAction::triggered, this, &MainWindow::PrintReport);
    connect(setup, &QAction::triggered, this, &MainWindow::PrinterSetup);
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::BuildStructureMenu() {
    QMenu *structure = menuBar()->addMenu(QStringLiteral("Структура модели СПИ"));
    QAction *dk = MakeAction(this, "DC1", QStringLiteral("ДК"));
    QAction *ru = MakeAction(this, "RU1", QStringLiteral("РУ"));
    structure->addAction(dk);
    structure->addAction(ru);
    connect(dk, &QAction::triggered, this, [this] { ChooseStructure(1); });
    connect(ru, &QAction::triggered, this, [this] { ChooseStructure(2); });
}

// "Цвет" is usable only while a child window is open.
void MainWindow::BuildOptionsMenu() {
    QMenu *options = menuBar()->addMenu(QStringLiteral("Опции"));
    QAction *color = MakeAction(this, "Color1", QStringLiteral("Цвет"));
    options->addAction(color);
    connect(options, &QMenu::aboutToShow, this, [this, color] { color->setEnabled(HasChild()); });
    connect(color, &QAction::triggered, this, &MainWindow::ChooseStageColor);
}

// Curves over a parameter of the continuous channel.
void MainWindow::BuildResearchMenu() {
    QMenu *research = menuBar()->addMenu(QStringLiteral("Исследование"));
    QAction *curve = MakeAction(this, "Curve1", QStringLiteral("Кривая..."));
    research->addAction(curve);
    connect(curve, &QAction::triggered, this, [this] {
        if (HasChild())
            dialogs_.curve->Run();
    });
}

void MainWindow::BuildHelpMenu() {
    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("Помощь"));
    QAction *helpContents = MakeAction(this, "Help1", QStringLiteral("Помощь"));
    QAction *about = MakeAction(this, "About1", QStringLiteral("О программе"));
    helpMenu->addAction(helpContents);
    helpMenu->addAction(about);
    connect(helpContents, &QAction::triggered, this, [this] { services_.openHelpTopic(0); });
    connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
}

// The buttons repeat menu commands, each with its own action.
void MainWindow::BuildToolBar() {
    QToolBar *bar = addToolBar(QStringLiteral("Панель"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    QAction *sb2 =
        MakeAction(this, "SpeedButton2", QStringLiteral("Открыть"), QStyle::SP_DialogOpenButton);
    QAction *sb1 = MakeAction(this, "SpeedButton1", QStringLiteral("Сохранить исходные данные"),
                              QStyle::SP_DialogSaveButton);
    QAction *sb3 = MakeAction(this, "SpeedButton3", QStringLiteral("Сохранить результаты"),
                              QStyle::SP_DriveFDIcon);
    QAction *sb4 = MakeAction(this, "SpeedButton4", QStringLiteral("Печать"),
                              QStyle::SP_FileDialogDetailedView);
    QAction *sb5 =
        MakeAction(this, "SpeedButton5", QStringLiteral("Выход"), QStyle::SP_DialogCloseButton);
    QAction *sb6 =
        MakeAction(this, "SpeedButton6", QStringLiteral("Помощь"), QStyle::SP_DialogHelpButton);
    QAction *sb7 =
        MakeAction(this, "SpeedButton7", QStringLiteral("Справка"), QStyle::SP_MessageBoxQuestion);
    sb7->setCheckable(true);
    for (QAction *a : {sb2, sb1, sb3, sb4, sb5, sb6, sb7}) {
        a->setToolTip(a->text());
        bar->addAction(a);
    }

    connect(sb2, &QAction::triggered, this, &MainWindow::OpenData);
    connect(sb1, &QAction::triggered, this, &MainWindow::SaveData);
    connect(sb3, &QAction::triggered, this, &MainWindow::SaveResults);
    connect(sb4, &QAction::triggered, this, &MainWindow::PrintReport);
    connect(sb5, &QAction::triggered, this, &QWidget::close);
    connect(sb6, &QAction::triggered, this, [this] { services_.openHelpTopic(0); });
    connect(sb7, &QAction::toggled, this, &MainWindow::SetHelpMode);
}

void MainWindow::SetFileCommandsEnabled(bool on) {
    for (const char *name : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4",
                             "Open1", "Save1", "Print1", "Color1", "Curve1"})
        action(name)->setEnabled(on);
}

bool MainWindow::HasChild() const {
    return !mdi_->subWindowList().isEmpty();
}

StageWindow *MainWindow::stageWindow() const {
    return stageSub_ ? qobject_cast<StageWindow *>(stageSub_->widget()) : nullptr;
}

void MainWindow::ChooseStructure(int channelType) {
    SetFileCommandsEnabled(true);
    services_.model.channelType = static_cast<std::uint8_t>(channelType);
    if (!stageSub_) {
        auto *stage = new StageWindow(services_, dialogs_);
        stageSub_ = mdi_->addSubWindow(stage, Qt::FramelessWindowHint);
        stageSub_->setAttribute(Qt::WA_DeleteOnClose);
        connect(stageSub_, &QObject::destroyed, this, &MainWindow::StageWindowClosed);
        stage->SetHelpMode(action("SpeedButton7")->isChecked());
        stage->onImport = [this] {
            ImportReport(services_, ScratchFolder().isValid() ? ScratchFolder().path() : QString());
        };
    }
    stageWindow()->ShowVariant(channelType);
    stageSub_->showMaximized();
    stageSub_->setFocus();
}

void MainWindow::StageWindowClosed() {
    // Called while the child is being destroyed: the list may still hold it.
    const auto list = mdi_->subWindowList();
    const bool othersLeft =
        std::any_of(list.begin(), list.end(), [this](QMdiSubWindow *w) { return w != sender(); });
    if (!othersLeft)
        SetFileCommandsEnabled(false);
}

void MainWindow::OpenData() {
    if (!HasChild())
        return;
    const QString path = services_.chooseOpenFile(this, QStringLiteral("Открыть"), QString(),
                                                  QStringLiteral("Исходные данные (*.dat)"));
    if (path.isEmpty())
        return;
    DataFileHooks hooks;
    hooks.clearCoderButtons = [this] { dialogs_.coder->ClearCodeTypeButtons(); };
    hooks.afterLoad = [this] {
        if (StageWindow *stage = stageWindow()) {
            stage->EnableStat1(true);
            stage->EnableStat2(false);
        }
    };
    OpenDataFile(services_.model, path.toStdString(), services_.notifier, hooks);
}

void MainWindow::SaveData() {
    if (!HasChild())
        return;
    const QString target = ChooseSaveTarget(
        services_, this, QStringLiteral("Сохранить исходные данные"), QStringLiteral("var1"),
        QString::fromUtf8(kDataFilters), [](const QString &chosen) {
            return QString::fromStdString(DataFileName(chosen.toStdString()));
        });
    if (target.isEmpty())
        return;
    SaveDataFile(services_.model, target.toStdString(), services_.notifier);
}

void MainWindow::SaveResults() {
    if (!HasChild())
        return;
    const QString target = ChooseSaveTarget(
        services_, this, QStringLiteral("Сохранить результаты"), QStringLiteral("rezult1"),
        QStringLiteral("Результаты (*.rez);;Исходные данные (*.dat)"), [](const QString &chosen) {
            return QString::fromStdString(ResultsFileName(chosen.toStdString()));
        });
    if (target.isEmpty())
        return;
    SaveTestReport(services_.model, target.toStdString(), true, services_.notifier);
}

void MainWindow::PrintReport() {
    if (!ScratchFolder().isValid()) {
        services_.notifier.Error("Не удалось создать временную папку для печати.");
        return;
    }
    // The rich-text view that prints lies outside the visible area, as a work control.
    auto *view = findChild<QTextEdit *>(QStringLiteral("RichEdit1"));
    if (!view) {
        view = new QTextEdit(this);
        view->setObjectName(QStringLiteral("RichEdit1"));
        view->setGeometry(-2000, -2000, 400, 300);
        view->hide();
    }
    spi::gui::PrintReport(services_, this, ScratchFolder().path(), view);
}

void MainWindow::PrinterSetup() {
    QPageSetupDialog dialog(&SessionPrinter(services_), this);
    services_.execDialog ? services_.execDialog(dialog) : dialog.exec();
}

void MainWindow::ChooseStageColor() {
    StageWindow *stage = stageWindow();
    if (!stage || mdi_->activeSubWindow() != stageSub_)
        return;
    const auto chosen =
        services_.chooseColor
            ? services_.chooseColor(this, ColorFromModel(services_.window.stageWindowColor))
            : std::nullopt;
    if (!chosen)
        return;
    services_.window.stageWindowColor = ColorToModel(*chosen);
    ApplyBackground(stage, services_.window.stageWindowColor);
}

void MainWindow::SetHelpMode(bool on) {
    const QCursor cursor = on ? QCursor(Qt::WhatsThisCursor) : QCursor(Qt::ArrowCursor);
    setCursor(cursor);
    mdi_->viewport()->setCursor(cursor);
    if (StageWindow *stage = stageWindow())
        stage->SetHelpMode(on);
}

void MainWindow::OpenContextHelp(QWidget *w) {
    if (!w)
        w = QApplication::focusWidget();
    if (!w)
        w = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                              : QApplication::activeWindow();
    const int topic = HelpTopicAt(w);
    services_.openHelpTopic(topic < 0 ? 2 : topic);
}

void MainWindow::ShowAbout() {
    services_.execDialog ? services_.execDialog(*dialogs_.about) : dialogs_.about->exec();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        OpenContextHelp(qobject_cast<QWidget *>(watched));
        return true;
    }
    // A click on the client area in help mode opens the topic of the main window.
    if (watched == mdi_->viewport() && event->type() == QEvent::MouseButtonPress &&
        action("SpeedButton7")->isChecked()) {
        services_.openHelpTopic(1);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event) {
    const bool leave =
        services_.askYesNo(this, QStringLiteral("      ВНИМАНИЕ!!"),
                           QStringLiteral("Результаты ввода данных и испытаний возможно не "
                                          "сохранены! ВЫ ДЕЙСТВИТЕЛЬНО ХОТИТЕ ВЫЙТИ?"));
    if (leave)
        event->accept();
    else
        event->ignore();
}

} // namespace spi::gui

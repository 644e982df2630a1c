// The workstation driven as a user drives it: structure, stage buttons, dialogs accepted or
// cancelled, test runs with their results, help mode, files and printing.
#include "gui/app/main_window.h"
#include "gui/app/translations.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/progress_window.h"
#include "gui/kit/gui_services.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/results_window.h"
#include "gui/windows/stage_window.h"
#include "io/data_file.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHoverEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include <memory>
#include <tuple>
#include <utility>

using namespace spi;
using namespace spi::gui;

namespace {

// A session of the workstation with every wait replaced by a scripted answer.
struct Session {
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    std::unique_ptr<MainWindow> window;

    QStringList dialogsShown;   // object names / captions of the dialogs the user saw
    QList<int> helpTopics;      // topics opened
    bool answerYes = true;      // the closing question
    QList<bool> answers;        // answers to the next questions, before answerYes
    QStringList questions;      // the questions asked
    QString openPath, savePath; // what the file dialogs return
    QStringList savePaths;      // the next save dialogs' answers, before savePath
    int saveDialogs = 0;
    std::function<void(QDialog &)> duringDialog; // the user's hand while a dialog is shown
    // Edits made to a dialog before "Ввод": field object name -> text.
    QMap<QString, QString> edits;
    bool cancelDialogs = false;
    QString pdfPath; // where a print dialog prints
    ResultsView lastResults;
    int resultsRows = -1;

    Session() {
        services.execDialog = [this](QDialog &d) {
            dialogsShown << (d.objectName().isEmpty() ? d.windowTitle() : d.objectName());
            if (auto *setup = qobject_cast<QPageSetupDialog *>(&d))
                return PageSetup(*setup);
            if (duringDialog)
                duringDialog(d);
            if (auto *print = qobject_cast<QPrintDialog *>(&d)) {
                if (pdfPath.isEmpty())
                    return int(QDialog::Rejected);
                print->printer()->setOutputFormat(QPrinter::PdfFormat);
                print->printer()->setOutputFileName(pdfPath);
                return int(QDialog::Accepted);
            }
            if (auto *results = qobject_cast<ResultsWindow *>(&d)) {
                resultsRows = results->table()->rowCount();
                return int(QDialog::Accepted);
            }
            if (auto *p = qobject_cast<ParameterDialog *>(&d)) {
                for (auto it = edits.begin(); it != edits.end(); ++it)
                    if (auto *field = p->findChild<QLineEdit *>(it.key()))
                        field->setText(it.value());
                if (cancelDialogs && p->cancelButton()) {
                    p->cancelButton()->click();
                    return int(QDialog::Rejected);
                }
                if (p->enterButton())
                    p->enterButton()->click();
                else
                    p->accept();
                return p->result();
            }
            return int(QDialog::Accepted);
        };
        services.chooseColor = [](QWidget *, const QColor &) {
            return std::optional<QColor>(QColor(10, 20, 30));
        };
        services.chooseOpenFile = [this](QWidget *, const QString &, const QString &,
                                         const QString &) { return openPath; };
        services.chooseSaveFile = [this](QWidget *, const QString &, const QString &,
                                         const QString &) {
            ++saveDialogs;
            return savePaths.isEmpty() ? savePath : savePaths.takeFirst();
        };
        services.openHelpTopic = [this](int t) { helpTopics << t; };
        services.openHelpNamed = [this](const QString &) { helpTopics << -1; };
        services.askYesNo = [this](QWidget *, const QString &, const QString &text) {
            questions << text;
            return answers.isEmpty() ? answerYes : answers.takeFirst();
        };
        window = std::make_unique<MainWindow>(services);
        window->show();
    }
    // The page set-up as a user fills it: A5, landscape, "OK". The dialog applies its page to
    // the printer only from its own exec.
    static int PageSetup(QPageSetupDialog &d) {
        QTimer::singleShot(0, &d, [&d] {
            auto *size = d.findChild<QComboBox *>(QStringLiteral("pageSizeCombo"));
            auto *landscape = d.findChild<QAbstractButton *>(QStringLiteral("landscape"));
            if (size && landscape) {
                size->setCurrentIndex(size->findText(QStringLiteral("A5")));
                landscape->click();
            }
            d.accept();
        });
        return d.exec();
    }
    QAction *action(const char *name) const { return window->action(name); }
    // "ДК", the discrete channel and the coder as shown, then "Стат2" from a fixed seed (and
    // with NB typed into its dialog, when given).
    void RunDefaultChain(std::uint32_t seed, const QString &nb = {}) {
        action("DC1")->trigger();
        click(4);
        click(7);
        model->fixedSeed = seed;
        if (!nb.isEmpty())
            edits = {{QStringLiteral("Edit1"), nb}};
        click(8);
    }
    StageWindow *stage() const { return window->stageWindow(); }
    void click(int button) { stage()->button(button)->click(); }
};

} // namespace

class WorkbenchTest : public QObject {
    Q_OBJECT
private slots:
    void startUpOffersOnlyTheStructureChoice();
    void structureChoiceSwapsTheVariantButtons();
    void aUserRunsBothTestsOfTheDefaultChain();
    void cancelledDialogsLeaveTheModel();
    void helpModeOpensTopicsInsteadOfDialogs();
    void closingTheStageWindowDisablesTheFileCommands();
    void printingWritesAPdf();
    void openingABadFileChangesNothing();
    void dataFileRoundTripThroughTheMenus();
    void closingQuestionKeepsTheProgramOnNo();
    void stageColorAppliesOnlyToTheStageWindow();
    void captionsTurnBlueUnderTheMouseAndWithTheFocus();
    void abortEndsALongRunWithoutResults();
    void aStoppedRunKeepsTheResultsOfTheLastCompletedOne();
    void printerSetUpHoldsForThePrintedReport();
    void f1OpensTheTopicOfWhatHasTheFocus();
    void savingAsksBeforeReplacingAFile();
    void standardButtonsSpeakRussian();
    void aRunBeyondTheGeneratorsCycleAsksFirst();
    void screenshots();
};

void WorkbenchTest::standardButtonsSpeakRussian() {
    QVERIFY(spi::gui::InstallRussianTranslation(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("      ВНИМАНИЕ!!"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Нет"));
}

// "Стат 1" over more draws than the generator's cycle (72 per word of 36 bits and one) asks first,
// in the application's own warning box, pressed here: "Нет" starts nothing and leaves the volume,
// "Да" starts the run (stopped at once by "Прервать").
void WorkbenchTest::aRunBeyondTheGeneratorsCycleAsksFirst() {
    Session s;
    GuiServices real(*s.model, s.notifier);
    InstallInteractiveServices(real);
    s.services.warnYesNo = real.warnYesNo;
    s.action("DC1")->trigger();
    s.click(4);
    s.model->fixedSeed = 3u;
    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("36")},
               {QStringLiteral("Edit2"), QStringLiteral("59652324")}};
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer press;
    QMessageBox::StandardButton answer = QMessageBox::No;
    connect(&press, &QTimer::timeout, &press, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::tie(shown, icon) = std::pair(box->text(), box->icon());
            box->button(answer)->click();
        }
    });
    press.start(10);
    bool started = false;
    ProgressWindow *progress = s.window->dialogs().progress;
    connect(progress->bar(), &QProgressBar::valueChanged, progress, [&](int v) {
        started = true;
        if (v > 0)
            progress->abortButton()->click();
    });
    const std::int32_t volume = s.model->wordCount;
    s.click(5);
    QVERIFY(shown.startsWith(QStringLiteral("Испытанию потребуется 4294967329 случайных чисел")));
    QVERIFY(shown.contains(QStringLiteral("2^32 = 4294967296")));
    QVERIFY(shown.endsWith(QStringLiteral(" Продолжить?")));
    QCOMPARE(icon, QMessageBox::Warning);
    QVERIFY(!started);
    QCOMPARE(s.model->wordCount, volume);

    answer = QMessageBox::Yes;
    shown.clear();
    s.click(5);
    QVERIFY(!shown.isEmpty() && started);
    QCOMPARE(s.resultsRows, -1);
    QVERIFY(s.questions.isEmpty() && s.notifier.entries.empty());
}

void WorkbenchTest::captionsTurnBlueUnderTheMouseAndWithTheFocus() {
    Session s;
    s.action("DC1")->trigger();
    QPushButton *b = s.stage()->button(6);
    const auto color = [](QPushButton *w) { return w->palette().color(QPalette::ButtonText); };
    QHoverEvent enter(QEvent::HoverEnter, QPointF(5, 5), QPointF(5, 5), QPointF(-1, -1));
    QApplication::sendEvent(b, &enter);
    QCOMPARE(color(b), QColor(0, 0, 255));
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(s.stage(), &move);
    QVERIFY(color(b) != QColor(0, 0, 255));
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(s.stage()->button(7), &in);
    QCOMPARE(color(s.stage()->button(7)), QColor(0, 0, 255));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(s.stage()->button(7), &out);
    QVERIFY(color(s.stage()->button(7)) != QColor(0, 0, 255));
    // The variant buttons of "РУ" take no part.
    QApplication::sendEvent(s.stage()->button(9), &enter);
    QVERIFY(color(s.stage()->button(9)) != QColor(0, 0, 255));
}

void WorkbenchTest::abortEndsALongRunWithoutResults() {
    Session s;
    s.action("DC1")->trigger();
    s.click(4);
    s.model->fixedSeed = 3u;
    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("36")},
               {QStringLiteral("Edit2"), QStringLiteral("200000000")}};
    ProgressWindow *progress = s.window->dialogs().progress;
    QTimer::singleShot(300, progress, [progress] { progress->abortButton()->click(); });
    QElapsedTimer clock;
    clock.start();
    s.click(5);
    QVERIFY(clock.elapsed() < 20000); // 2*10^8 words would take far longer
    QCOMPARE(s.resultsRows, -1);      // no results window
    QVERIFY(!progress->isVisible());
    QVERIFY(s.notifier.entries.empty());
}

void WorkbenchTest::startUpOffersOnlyTheStructureChoice() {
    Session s;
    for (const char *name : {"Open1", "Save1", "Print1", "Color1", "Curve1", "SpeedButton1",
                             "SpeedButton2", "SpeedButton3", "SpeedButton4"})
        QVERIFY2(!s.action(name)->isEnabled(), name);
    for (const char *name :
         {"DC1", "RU1", "PrinterSetup1", "Exit1", "SpeedButton5", "SpeedButton6", "SpeedButton7"})
        QVERIFY2(s.action(name)->isEnabled(), name);
    QCOMPARE(s.window->windowTitle(),
             QStringLiteral("Автоматизированное рабочее место исследования СПИ."));
    QVERIFY(!s.stage());
    QCOMPARE(s.services.window.dialogColor, 0xFFFF00);
    QCOMPARE(s.services.window.stageWindowColor, 12860482);
}

void WorkbenchTest::structureChoiceSwapsTheVariantButtons() {
    Session s;
    s.action("DC1")->trigger();
    QVERIFY(s.stage());
    QCOMPARE(s.model->channelType, std::uint8_t(1));
    QVERIFY(s.stage()->button(3)->isVisibleTo(s.stage()) &&
            s.stage()->button(4)->isVisibleTo(s.stage()));
    QVERIFY(!s.stage()->button(9)->isVisibleTo(s.stage()) &&
            !s.stage()->button(10)->isVisibleTo(s.stage()));
    QVERIFY(!s.stage()->button(5)->isEnabled() && !s.stage()->button(8)->isEnabled());
    StageWindow *first = s.stage();
    s.action("RU1")->trigger();
    QCOMPARE(s.stage(), first); // one stage window, reused
    QCOMPARE(s.window->mdiArea()->subWindowList().size(), 1);
    QCOMPARE(s.model->channelType, std::uint8_t(2));
    QVERIFY(s.stage()->button(9)->isVisibleTo(s.stage()) &&
            s.stage()->button(10)->isVisibleTo(s.stage()));
    QVERIFY(!s.stage()->button(3)->isVisibleTo(s.stage()) &&
            !s.stage()->button(4)->isVisibleTo(s.stage()));
    for (const char *name : {"Open1", "Save1", "Print1", "Color1", "Curve1", "SpeedButton4"})
        QVERIFY2(s.action(name)->isEnabled(), name);
    s.dialogsShown.clear();
    s.action("Curve1")->trigger();
    QCOMPARE(s.dialogsShown, QStringList{QStringLiteral("TCurve")});
}

void WorkbenchTest::aUserRunsBothTestsOfTheDefaultChain() {
    Session s;
    s.action("DC1")->trigger();
    s.click(4); // "Дискретный канал", accepted as shown
    QVERIFY(s.stage()->button(5)->isEnabled());
    QVERIFY(!s.stage()->button(8)->isEnabled());
    QCOMPARE(s.model->discParams[3], 0.12);
    s.click(7); // "УЗО"
    QVERIFY(s.stage()->button(8)->isEnabled());

    s.model->fixedSeed = 12345u;
    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("200")}};
    s.click(8); // "Стат2" with NB = 200
    QCOMPARE(s.model->wordCount, 200);
    QVERIFY(s.resultsRows >= 2);
    ResultsWindow *results = s.window->dialogs().results;
    QCOMPARE(results->table()->rowCount(), s.model->lastMultiplicity + 1);
    QCOMPARE(results->table()->item(0, 0)->text(), QStringLiteral("         0"));
    QCOMPARE(results->table()->horizontalHeaderItem(1)->text(),
             QStringLiteral("     До декодирования  n= 7"));
    QCOMPARE(results->valueLabel("Label4")->text(), QStringLiteral(" 200"));
    QVERIFY(results->valueLabel("Label7")->text().contains(QStringLiteral("  +-  ")));
    QVERIFY(results->pictureButton()->isEnabled());

    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("36")},
               {QStringLiteral("Edit2"), QStringLiteral("300")}};
    s.resultsRows = -1;
    s.click(5); // "Стат 1"
    QCOMPARE(s.model->wordCount, 300);
    QVERIFY(s.resultsRows >= 2);
    QCOMPARE(results->valueLabel("Label8")->text(), QStringLiteral("  0.00"));
    QVERIFY(results->pictureButton()->isEnabled()); // enabled again after the window closed
}

void WorkbenchTest::cancelledDialogsLeaveTheModel() {
    Session s;
    s.action("DC1")->trigger();
    s.click(4);
    const ModelState before = *s.model;
    s.cancelDialogs = true;
    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("0.9")},
               {QStringLiteral("Edit2"), QStringLiteral("0.8")}};
    for (int b : {2, 3, 4, 6, 7, 5})
        s.click(b);
    QCOMPARE(s.model->probOne, before.probOne);
    QCOMPARE(s.model->contHp, before.contHp);
    QCOMPARE(s.model->discParams, before.discParams);
    QCOMPARE(s.model->ilvA, before.ilvA);
    QCOMPARE(s.model->stat1WordLength, before.stat1WordLength);
    QCOMPARE(s.model->wordCount, before.wordCount);
    QCOMPARE(s.model->codeType, before.codeType);
    QCOMPARE(s.services.window.dialogCancelled, std::uint8_t(0));
}

void WorkbenchTest::helpModeOpensTopicsInsteadOfDialogs() {
    Session s;
    s.action("DC1")->trigger();
    s.action("SpeedButton7")->setChecked(true);
    QVERIFY(s.stage()->helpMode());
    s.dialogsShown.clear();
    for (int b : {2, 3, 4, 5, 6, 7, 8}) {
        s.stage()->button(b)->setEnabled(true);
        s.click(b);
    }
    QCOMPARE(s.helpTopics, (QList<int>{14, 18, 13, 12, 7, 8, 11}));
    QVERIFY(s.dialogsShown.isEmpty());
    s.helpTopics.clear();
    QTest::mouseClick(s.stage(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(s.helpTopics, QList<int>{2});
    s.action("RU1")->trigger();
    s.helpTopics.clear();
    QTest::mouseClick(s.stage(), Qt::LeftButton, {}, QPoint(5, 5));
    s.click(10);
    QCOMPARE(s.helpTopics, (QList<int>{15, 16}));
    s.action("SpeedButton7")->setChecked(false);
    QVERIFY(!s.stage()->helpMode());
}

void WorkbenchTest::closingTheStageWindowDisablesTheFileCommands() {
    Session s;
    s.action("DC1")->trigger();
    s.click(1); // "Выход"
    QTRY_VERIFY(!s.stage());
    QTRY_VERIFY(!s.action("Open1")->isEnabled());
    for (const char *name : {"Save1", "Print1", "Color1", "SpeedButton1"})
        QVERIFY2(!s.action(name)->isEnabled(), name);
    s.action("DC1")->trigger(); // a new window, tests disabled again
    QVERIFY(s.stage());
    QVERIFY(!s.stage()->button(5)->isEnabled());
    QVERIFY(s.action("Open1")->isEnabled());
}

void WorkbenchTest::printingWritesAPdf() {
    QTemporaryDir dir;
    Session s;
    s.RunDefaultChain(1u);
    s.pdfPath = dir.filePath(QStringLiteral("report.pdf"));
    s.action("Print1")->trigger();
    QVERIFY(QFile::exists(s.pdfPath));
    QVERIFY(QFile(s.pdfPath).size() > 1000);
    QVERIFY(s.notifier.entries.empty());
}

void WorkbenchTest::openingABadFileChangesNothing() {
    QTemporaryDir dir;
    Session s;
    s.action("DC1")->trigger();
    QFile bad(dir.filePath(QStringLiteral("bad.dat")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(540, 'x'));
    bad.close();
    const ModelState before = *s.model;
    s.openPath = bad.fileName();
    s.action("Open1")->trigger();
    QVERIFY(s.notifier.Has("Файл не принадлежит программе КВИР."));
    QCOMPARE(s.model->discParams, before.discParams);
    QCOMPARE(s.model->genPolyText, before.genPolyText);
    QCOMPARE(s.model->channelEntered, before.channelEntered);
    QVERIFY(!s.stage()->button(5)->isEnabled());
}

void WorkbenchTest::dataFileRoundTripThroughTheMenus() {
    QTemporaryDir dir;
    Session s;
    s.action("DC1")->trigger();
    s.model->contHp = 4.5;
    s.savePath = dir.filePath(QStringLiteral("chain"));
    s.action("Save1_1")->trigger();
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("chain.dat"))));
    s.click(7);
    QVERIFY(s.stage()->button(8)->isEnabled());
    s.model->contHp = 1.0;
    s.openPath = dir.filePath(QStringLiteral("chain.dat"));
    s.action("SpeedButton2")->trigger();
    QCOMPARE(s.model->contHp, 4.5);
    QVERIFY(s.notifier.Has("Чтение завершено успешно."));
    QVERIFY(s.stage()->button(5)->isEnabled());
    QVERIFY(!s.stage()->button(8)->isEnabled());
    s.savePath = dir.filePath(QStringLiteral("out"));
    s.action("Save1_2")->trigger();
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("out.rez"))));
}

void WorkbenchTest::closingQuestionKeepsTheProgramOnNo() {
    Session s;
    s.action("DC1")->trigger();
    s.answerYes = false;
    QVERIFY(!s.window->close());
    QVERIFY(s.window->isVisible());
    QVERIFY(s.stage());
    s.answerYes = true;
    QVERIFY(s.window->close());
}

void WorkbenchTest::stageColorAppliesOnlyToTheStageWindow() {
    Session s;
    s.action("DC1")->trigger();
    s.window->mdiArea()->setActiveSubWindow(s.window->mdiArea()->subWindowList().first());
    s.action("Color1")->trigger();
    QCOMPARE(s.services.window.stageWindowColor, ColorToModel(QColor(10, 20, 30)));
}

void WorkbenchTest::screenshots() {
    const QByteArray dir = qgetenv("SPI_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("SPI_SCREENSHOT_DIR not set");
    QDir().mkpath(QString::fromLocal8Bit(dir));
    Session s;
    s.window->resize(1280, 720);
    s.action("DC1")->trigger();
    s.click(4);
    s.click(7);
    QTest::qWait(50);
    s.window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/main-window-dk.png"));
    s.model->fixedSeed = 12345u;
    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("1000")}};
    s.click(8);
    ResultsWindow *results = s.window->dialogs().results;
    results->resize(640, 560);
    results->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/results-window.png"));
    ProgressWindow *progress = s.window->dialogs().progress;
    progress->SetProgress(42);
    progress->SetCounter(4200);
    progress->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/progress-window.png"));
    s.action("RU1")->trigger();
    QTest::qWait(50);
    s.window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/main-window-ru.png"));
}

void WorkbenchTest::aStoppedRunKeepsTheResultsOfTheLastCompletedOne() {
    QTemporaryDir dir;
    Session s;
    s.RunDefaultChain(1u, QStringLiteral("2000000"));
    QVERIFY(s.resultsRows > 0);
    s.savePath = dir.filePath(QStringLiteral("done"));
    s.action("Save1_2")->trigger();

    // The second run, with another NB, is stopped at its first step.
    s.model->fixedSeed = 2u;
    s.edits = {{QStringLiteral("Edit1"), QStringLiteral("3000000")}};
    s.resultsRows = -1;
    ProgressWindow *progress = s.window->dialogs().progress;
    const auto stop =
        connect(progress->bar(), &QProgressBar::valueChanged, progress, [progress](int v) {
            if (v > 0)
                progress->abortButton()->click();
        });
    s.click(8);
    disconnect(stop);
    QCOMPARE(s.resultsRows, -1);
    s.savePath = dir.filePath(QStringLiteral("stopped"));
    s.action("Save1_2")->trigger();

    QFile done(dir.filePath(QStringLiteral("done.rez"))),
        stopped(dir.filePath(QStringLiteral("stopped.rez")));
    QVERIFY(done.open(QIODevice::ReadOnly) && stopped.open(QIODevice::ReadOnly));
    QCOMPARE(stopped.readAll(), done.readAll());
    QCOMPARE(s.model->wordCount, 2000000); // the volume of the results that stay
}

void WorkbenchTest::printerSetUpHoldsForThePrintedReport() {
    QTemporaryDir dir;
    Session s;
    s.RunDefaultChain(1u);
    s.action("PrinterSetup1")->trigger();
    s.pdfPath = dir.filePath(QStringLiteral("report.pdf"));
    s.action("Print1")->trigger();
    QFile pdf(s.pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    const auto box = QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"))
                         .match(QString::fromLatin1(bytes));
    QVERIFY(box.hasMatch());
    // A5 is 148 x 210 mm, 420 x 595 points; landscape puts the long side across.
    QVERIFY(qAbs(box.captured(1).toDouble() - 595.3) < 1.5);
    QVERIFY(qAbs(box.captured(2).toDouble() - 419.5) < 1.5);
}

void WorkbenchTest::f1OpensTheTopicOfWhatHasTheFocus() {
    Session s;
    QTest::keyClick(s.window.get(), Qt::Key_F1);
    s.action("DC1")->trigger();
    QTest::keyClick(s.stage(), Qt::Key_F1);
    for (int button : {2, 3, 4, 6, 7})
        QTest::keyClick(s.stage()->button(button), Qt::Key_F1);
    s.action("RU1")->trigger();
    for (int button : {9, 10})
        QTest::keyClick(s.stage()->button(button), Qt::Key_F1);
    QCOMPARE(s.helpTopics, (QList<int>{2, 2, 14, 18, 13, 7, 8, 17, 16}));

    // Inside a modal dialog, on one of its fields.
    s.helpTopics.clear();
    s.duringDialog = [](QDialog &d) {
        QWidget *field = d.findChild<QLineEdit *>();
        QTest::keyClick(field ? field : &d, Qt::Key_F1);
    };
    s.action("DC1")->trigger();
    for (int button : {2, 3, 4, 6, 7})
        s.click(button);
    QCOMPARE(s.helpTopics, (QList<int>{14, 18, 13, 7, 8}));
}

void WorkbenchTest::savingAsksBeforeReplacingAFile() {
    struct Case {
        const char *command, *file;
        QList<bool> answers;
        bool replaced;
        int dialogs;
    };
    const Case cases[] = {
        {"Save1_1", "chain.dat", {false}, false, 2}, // "Нет": the dialog again, then given up
        {"Save1_1", "chain.dat", {false, true}, true, 2},
        {"Save1_2", "chain.rez", {true}, true, 1},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        Session s;
        s.action("DC1")->trigger();
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        // The name is chosen without its extension: the question is for the name written.
        s.savePaths = QStringList(c.answers.size(), dir.filePath(QStringLiteral("chain")));
        s.answers = c.answers;
        s.action(c.command)->trigger();
        QCOMPARE(s.saveDialogs, c.dialogs);
        QCOMPARE(s.questions.size(), c.answers.size());
        QCOMPARE(
            s.questions.front(),
            QStringLiteral("Файл %1 уже существует. Заменить?").arg(QString::fromLatin1(c.file)));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll() != "old", c.replaced);
    }
}

QTEST_MAIN(WorkbenchTest)
#include "workbench_test.moc"

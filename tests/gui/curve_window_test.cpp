// "Кривая": a sweep of the default chain run from the window while it stays answering, the plot
// with its bars and the theory beside it, stopping, refused input, and the exports of the curve and
// of a run's results.
#include "gui/app/main_window.h"
#include "gui/kit/export_files.h"
#include "gui/kit/gui_services.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/curve_parameters.h"
#include "gui/windows/curve_window.h"
#include "gui/windows/picture_window.h"
#include "gui/windows/stage_window.h"
#include "io/curve_export.h"
#include "model/model_fields.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace spi;
using namespace spi::gui;

namespace {

// The workstation with the default chain set up as a user does it: "ДК", "Дискретный канал" and
// "УЗО" accepted as shown; the file choices answer from a script.
struct Session {
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    std::unique_ptr<MainWindow> window;
    QStringList saveAnswers; // what the save dialogs return, in turn; then cancel
    QStringList saveCaptions;

    Session() {
        services.execDialog = [](QDialog &d) {
            if (auto *p = qobject_cast<ParameterDialog *>(&d); p && p->enterButton())
                p->enterButton()->click();
            return int(QDialog::Accepted);
        };
        services.chooseSaveFile = [this](QWidget *, const QString &caption, const QString &,
                                         const QString &) {
            saveCaptions << caption;
            return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
        };
        window = std::make_unique<MainWindow>(services);
        window->action("DC1")->trigger();
        window->stageWindow()->button(4)->click();
        window->stageWindow()->button(7)->click();
    }
};

void SetRange(CurveWindow &w, const char *from, const char *to, const char *step,
              const char *words) {
    w.fromEdit()->setText(QString::fromLatin1(from));
    w.toEdit()->setText(QString::fromLatin1(to));
    w.stepEdit()->setText(QString::fromLatin1(step));
    w.wordsEdit()->setText(QString::fromLatin1(words));
}

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A sweep that runs nothing: it records what it was asked and hands back the given points.
struct ScriptedSweep {
    std::vector<SweepPoint> points;
    std::vector<std::string> messages; // given to the notifier before every point
    SweepSpec plan;
    int words = 0;

    auto Runner() {
        return [this](const ModelState &base, const SweepSpec &s, Notifier &n,
                      const std::function<bool(const SweepPoint &, int)> &onPoint) {
            plan = s;
            words = base.wordCount;
            for (std::size_t i = 0; i < points.size(); ++i) {
                for (const auto &m : messages)
                    n.Error(m);
                if (!onPoint(points[i], static_cast<int>(i)))
                    break;
            }
            return points;
        };
    }
};

} // namespace

class CurveWindowTest : public QObject {
    Q_OBJECT
private slots:
    void sweepOfTheDefaultChainPlotsBothCurvesWithBars();
    void stopAndExitEndTheSweepAfterTheCurrentPoint();
    void badRangesAreRefusedAndRunNothing();
    void theSweepIsAskedForWhatTheFieldsSay();
    void resultsOfARunExportAsCsvAndPng();
    void aSweepBeyondTheGeneratorsCycleAsksFirst();
};

void CurveWindowTest::sweepOfTheDefaultChainPlotsBothCurvesWithBars() {
    QTemporaryDir dir;
    Session s;
    s.model->fixedSeed = 2024u;
    const ModelState before = *s.model;
    CurveWindow w(s.services);
    w.resize(1100, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.field(), QStringLiteral("contHp"));
    const std::vector<std::string> sweepable = SweepableFieldNames();
    for (int i = 0; i < w.parameterBox()->count(); ++i)
        QVERIFY(std::count(sweepable.begin(), sweepable.end(),
                           w.parameterBox()->itemData(i).toString().toStdString()) == 1);

    SetRange(w, "1", "4", "1", "2000");
    QSignalSpy finished(&w, &CurveWindow::sweepFinished);
    QSignalSpy added(&w, &CurveWindow::pointAdded);
    w.runButton()->click();
    QVERIFY(w.sweepRunning());
    QVERIFY(!w.runButton()->isEnabled() && w.stopButton()->isEnabled());
    QVERIFY(!w.csvButton()->isEnabled());
    QVERIFY(finished.wait(120000));
    QCOMPARE(added.count(), 4);

    const auto &points = w.points();
    QCOMPARE(points.size(), std::size_t(4));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const SweepPoint &p = points[i];
        QVERIFY2(p.completed, p.message.c_str());
        QCOMPARE(p.value, double(i + 1));
        QCOMPARE(p.words, 2000LL);
        QVERIFY(p.pErrIn > 0 && p.pErrOut > 0 && p.pErrInConf > 0);
        if (i > 0)
            QVERIFY2(p.pErrIn < points[i - 1].pErrIn, "Pвх must fall as Hp grows");
        QCOMPARE(w.table()->item(int(i), 1)->text(), QString::number(p.pErrIn, 'e', 3));
        // "ДК" and the (7,3) code: the channel's theory and the decoder's bound at every point,
        // dashed beside the measured curves and in the table.
        QVERIFY(p.theoryPErrIn && p.theoryWordErrBound);
        QCOMPARE(w.series(CurveWindow::InTheory)->at(int(i)), QPointF(p.value, *p.theoryPErrIn));
        QCOMPARE(w.series(CurveWindow::WordBound)->at(int(i)),
                 QPointF(p.value, *p.theoryWordErrBound));
        QCOMPARE(w.table()->item(int(i), ColWordBound)->text(),
                 QString::number(*p.theoryWordErrBound, 'e', 3));
    }
    for (const auto curve : {CurveWindow::InTheory, CurveWindow::WordBound}) {
        QVERIFY(w.series(curve)->pen().style() != Qt::SolidLine);
        QVERIFY(w.chart()->legend()->markers(w.series(curve)).at(0)->isVisible());
    }

    // One marker and one bar per point on each curve, the bar from P - h to P + h where the axis
    // reaches.
    QCoreApplication::processEvents();
    for (const auto curve : {CurveWindow::In, CurveWindow::Out}) {
        QLineSeries *series = w.series(curve);
        const QList<QLineF> bars = w.barSegments(curve);
        QCOMPARE(series->count(), 4);
        QCOMPARE(bars.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const SweepPoint &p = points[std::size_t(i)];
            const double prob = curve == CurveWindow::In ? p.pErrIn : p.pErrOut;
            const double half = curve == CurveWindow::In ? p.pErrInConf : p.pErrOutConf;
            QCOMPARE(series->at(i), QPointF(p.value, prob));
            QVERIFY(prob >= w.probabilityAxis()->min() && prob <= w.probabilityAxis()->max());
            const QPointF at = w.chart()->mapToPosition(series->at(i), series);
            QVERIFY(std::abs(bars[i].x1() - at.x()) < 0.01 &&
                    std::abs(bars[i].x2() - at.x()) < 0.01);
            QVERIFY(bars[i].y1() > at.y() && bars[i].y2() < at.y()); // y grows downwards
            const QPointF top = w.chart()->mapToPosition(QPointF(p.value, prob + half), series);
            QVERIFY(std::abs(bars[i].y2() - top.y()) < 0.01);
            QVERIFY(w.chart()->plotArea().contains(at));
        }
    }
    QCOMPARE(w.parameterAxis()->titleText(), QStringLiteral("Hp"));
    QVERIFY(w.statusLabel()->text().startsWith(QStringLiteral("Готово")));
    QVERIFY(w.csvButton()->isEnabled() && w.runButton()->isEnabled());

    // The user's model is untouched: parameters, channel, last run, generator.
    QCOMPARE(s.model->contHp, before.contHp);
    QCOMPARE(s.model->discParams, before.discParams);
    QCOMPARE(s.model->channelEntered, before.channelEntered);
    QCOMPARE(s.model->wordCount, before.wordCount);
    QCOMPARE(s.model->multBefore, before.multBefore);
    QCOMPARE(s.model->pErrIn, before.pErrIn);
    QCOMPARE(s.model->random.seed, before.random.seed);
    QCOMPARE(s.model->runSeed, before.runSeed);
    QVERIFY(s.notifier.entries.empty());

    const QString shots = QString::fromLocal8Bit(qgetenv("SPI_SCREENSHOT_DIR"));
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        QVERIFY(w.grab().save(QDir(shots).filePath("curve-window.png")));
    }

    // Exports: a name without a suffix gets the format's; the files hold what the formatters
    // make of the points.
    s.saveAnswers = {dir.filePath("curve"), dir.filePath("curve"), dir.filePath("plot.png")};
    w.csvButton()->click();
    w.svgButton()->click();
    w.pngButton()->click();
    QCOMPARE(s.saveCaptions.size(), 3);
    const QByteArray csv = ReadAll(dir.filePath("curve.csv"));
    QVERIFY(!csv.isEmpty());
    Provenance workstation; // the program and its version, no command line
    workstation.program = "spi-workbench";
    QCOMPARE(csv.toStdString(), SweepCsv("contHp", points, workstation));
    QCOMPARE(ReadAll(dir.filePath("curve.svg")).toStdString(),
             SweepSvg("contHp", points, w.chart()->title().toStdString(), workstation));
    QImage png;
    QVERIFY(png.loadFromData(ReadAll(dir.filePath("plot.png")), "PNG"));
    QCOMPARE(png.size(), w.chartView()->size() * w.chartView()->devicePixelRatio());
    // Cancelled: nothing written; a folder that does not exist: the reason, no file.
    QVERIFY(!w.ExportCsv());
    s.saveAnswers = {dir.filePath("missing/curve.csv")};
    QVERIFY(!w.ExportCsv());
    QCOMPARE(s.notifier.entries.size(), std::size_t(1));
    QCOMPARE(s.notifier.entries[0].kind, MessageKind::Error);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);

    if (!shots.isEmpty()) { // a fuller curve for the documentation
        SetRange(w, "1", "10", "0.5", "20000");
        w.runButton()->click();
        QVERIFY(finished.wait(120000));
        QVERIFY(w.grab().save(QDir(shots).filePath("curve-window-hp.png")));
        s.saveAnswers = {QDir(shots).filePath("curve-chart.png"),
                         QDir(shots).filePath("curve.svg")};
        QVERIFY(w.ExportPng() && w.ExportSvg());
        SetRange(w, "1", "16", "1", "100000"); // whole Hp: the channel's theory over the points
        w.runButton()->click();
        QVERIFY(finished.wait(120000));
        QVERIFY(w.grab().save(QDir(shots).filePath("curve-theory.png")));
    }
}

void CurveWindowTest::stopAndExitEndTheSweepAfterTheCurrentPoint() {
    Session s;
    s.model->fixedSeed = 5u;
    {
        CurveWindow w(s.services);
        w.show();
        SetRange(w, "1", "40", "1", "3000000");
        QSignalSpy finished(&w, &CurveWindow::sweepFinished);
        connect(&w, &CurveWindow::pointAdded, &w, [&w] { w.stopButton()->click(); });
        QVERIFY(w.StartSweep());
        QVERIFY(!w.StartSweep()); // one sweep at a time
        QVERIFY(finished.wait(120000));
        QVERIFY(!w.sweepRunning());
        // The click reaches the sweep while it may already run the next point.
        QVERIFY(!w.points().empty() && w.points().size() <= 2);
        QCOMPARE(w.table()->rowCount(), 40);
        QCOMPARE(w.series(CurveWindow::In)->count(), int(w.points().size()));
        QVERIFY(w.statusLabel()->text().startsWith(QStringLiteral("Прервано")));
        QVERIFY(w.runButton()->isEnabled() && !w.stopButton()->isEnabled() &&
                w.pngButton()->isEnabled());
    }
    {
        // "Выход" during a sweep closes the window once the point being run is done.
        CurveWindow w(s.services);
        w.show();
        SetRange(w, "1", "40", "1", "3000000");
        QSignalSpy finished(&w, &CurveWindow::sweepFinished);
        QVERIFY(w.StartSweep());
        w.exitButton()->click();
        QVERIFY(w.isVisible());
        QVERIFY(finished.wait(120000));
        QVERIFY(!w.isVisible());
        QVERIFY(w.points().size() <= 2);
    }
    {
        // A window destroyed mid-sweep waits for its thread.
        CurveWindow w(s.services);
        SetRange(w, "1", "40", "1", "3000000");
        QVERIFY(w.StartSweep());
    }
    QVERIFY(s.notifier.entries.empty());
}

void CurveWindowTest::badRangesAreRefusedAndRunNothing() {
    Session s;
    CurveWindow w(s.services);
    ScriptedSweep script;
    w.runSweep = script.Runner();
    struct Case {
        int parameter;
        const char *from, *to, *step, *words, *maxErrors;
        const char *message;
    };
    const Case cases[] = {
        {0, "x1", "4", "1", "100", "", "Некорректный ввод! Начальное значение Hp «x1» — не число."},
        {0, "1", "4", "-1", "100", "",
         "Некорректный ввод! Шаг должен быть больше нуля (введено -1)."},
        {0, "4", "1", "1", "100", "",
         "Некорректный ввод! Конечное значение 1 меньше начального 4."},
        {0, "1", "1000", "1", "100", "",
         "Слишком много точек: 1000 (не более 200). Увеличьте шаг или сузьте диапазон."},
        {0, "1", "1e300", "1e-300", "100", "",
         "Слишком много точек: без счета (не более 200). Увеличьте шаг или сузьте диапазон."},
        {3, "1", "4", "0.5", "100", "",
         "Некорректный ввод! m принимает только целые значения (Шаг: 0.5)."},
        {0, "1", "4", "1", "0", "",
         "Некорректный ввод! NB — целое число от 1 до 2147483647, а введено «0»."},
        {0, "1", "4", "1", "1e3", "",
         "Некорректный ввод! NB — целое число от 1 до 2147483647, а введено «1e3»."},
        {0, "1", "4", "1", "100", "-2",
         "Некорректный ввод! Число ошибочных слов для остановки — целое число не меньше 0, а "
         "введено «-2»."},
    };
    QLineEdit *const expectMarked[] = {w.fromEdit(),  w.stepEdit(),  w.toEdit(),
                                       w.stepEdit(),  w.stepEdit(),  w.stepEdit(),
                                       w.wordsEdit(), w.wordsEdit(), w.maxErrorsEdit()};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        w.parameterBox()->setCurrentIndex(c.parameter);
        SetRange(w, c.from, c.to, c.step, c.words);
        w.maxErrorsEdit()->setText(QString::fromLatin1(c.maxErrors));
        s.notifier.entries.clear();
        w.runButton()->click();
        QVERIFY(!w.sweepRunning());
        QCOMPARE(s.notifier.entries.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(s.notifier.entries[0].text), QString::fromUtf8(c.message));
        QVERIFY2(!expectMarked[i]->styleSheet().isEmpty(), c.message);
        expectMarked[i]->setStyleSheet(QString());
    }
    QCOMPARE(script.words, 0); // never asked to run
    QCOMPARE(w.table()->rowCount(), 0);
}

void CurveWindowTest::theSweepIsAskedForWhatTheFieldsSay() {
    Session s;
    CurveWindow w(s.services);
    ScriptedSweep script;
    w.runSweep = script.Runner();
    QSignalSpy finished(&w, &CurveWindow::sweepFinished);

    // The values the user meant, not those of repeated binary addition; the options as typed.
    w.parameterBox()->setCurrentIndex(2);
    QCOMPARE(w.field(), QStringLiteral("contQ"));
    SetRange(w, "0,1", "0.3", "0.1", "1500");
    w.maxErrorsEdit()->setText(QStringLiteral("25"));
    w.threadsBox()->setValue(w.threadsBox()->maximum());
    w.generatorBox()->setCurrentIndex(1);
    SweepPoint good;
    good.completed = true;
    good.words = 1500;
    good.pErrIn = 0.02;
    good.pErrInConf = 0.001;
    good.pErrOut = 0;          // nothing left after decoding: not on the logarithmic axis
    good.theoryPErrIn = 0.018; // and no bound
    SweepPoint refused;
    refused.message = "Некорректный ввод!";
    good.value = 0.1;
    refused.value = 0.2;
    script.points = {good, refused};
    script.messages = {"Некорректный ввод!"};
    QVERIFY(w.StartSweep());
    QVERIFY(finished.wait(10000));
    QCOMPARE(script.plan.field, std::string("contQ"));
    QCOMPARE(script.plan.values, (std::vector<double>{0.1, 0.2, 0.3}));
    QVERIFY(script.plan.stat2);
    QCOMPARE(script.plan.threads, w.threadsBox()->maximum());
    QCOMPARE(script.plan.options.maxWordErrors, 25LL);
    QVERIFY(script.plan.options.generator == spi::Generator::Philox);
    QCOMPARE(script.words, 1500);
    QCOMPARE(s.model->wordCount, 1000);

    // The refused point is in the table with its reason; its message, repeated by every point,
    // reached the user once.
    QCOMPARE(s.notifier.entries.size(), std::size_t(1));
    QCOMPARE(w.series(CurveWindow::In)->count(), 1);
    QCOMPARE(w.series(CurveWindow::Out)->count(), 0);
    QCOMPARE(w.barSegments(CurveWindow::In).size(), 1);
    QVERIFY(w.barSegments(CurveWindow::Out).isEmpty());
    QCOMPARE(w.table()->item(1, ColNote)->text(), QStringLiteral("Некорректный ввод!"));
    QVERIFY(w.table()->item(0, ColNote)->text().contains(QStringLiteral("нулевая")));
    // Absent theory: no cell, no line, no name in the legend.
    QCOMPARE(w.table()->item(0, ColTheoryIn)->text(), QStringLiteral("1.800e-02"));
    QVERIFY(!w.table()->item(0, ColWordBound));
    QCOMPARE(w.series(CurveWindow::InTheory)->count(), 1);
    QCOMPARE(w.series(CurveWindow::WordBound)->count(), 0);
    QVERIFY(!w.chart()->legend()->markers(w.series(CurveWindow::WordBound)).at(0)->isVisible());
    QVERIFY(!w.table()->item(2, 1)); // never run
    QVERIFY(w.statusLabel()->text().contains(QStringLiteral("2 из 3")));
    QVERIFY(w.probabilityAxis()->min() <= 0.019 && w.probabilityAxis()->max() >= 0.021);

    // m runs over whole numbers.
    w.parameterBox()->setCurrentIndex(3);
    SetRange(w, "1", "4", "1", "100");
    script.points.clear();
    QVERIFY(w.StartSweep());
    QVERIFY(finished.wait(10000));
    QCOMPARE(script.plan.field, std::string("contM"));
    QCOMPARE(script.plan.values, (std::vector<double>{1, 2, 3, 4}));
    QVERIFY(!w.csvButton()->isEnabled()); // no points to export
}

void CurveWindowTest::resultsOfARunExportAsCsvAndPng() {
    QTemporaryDir dir;
    Session s;
    s.model->fixedSeed = 11u;
    s.window->stageWindow()->button(8)->click(); // "Стат2" with the default NB
    QVERIFY(s.model->pErrIn > 0);

    s.saveAnswers = {dir.filePath("rasp")};
    QVERIFY(ExportDistributionsCsv(s.services, s.window.get(), true));
    const QByteArray csv = ReadAll(dir.filePath("rasp.csv"));
    QVERIFY(!csv.isEmpty());
    QCOMPARE(csv.toStdString(), DistributionsCsv(*s.model, true));

    PictureWindow *picture = s.window->dialogs().picture;
    picture->ShowFor(s.model->lastMultiplicity + 1);
    s.saveAnswers = {dir.filePath("bars.png")};
    QVERIFY(ExportChartPng(s.services, picture, picture->chartView()));
    QImage png;
    QVERIFY(png.loadFromData(ReadAll(dir.filePath("bars.png")), "PNG"));

    QVERIFY(!ExportDistributionsCsv(s.services, s.window.get(), true)); // cancelled
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    QVERIFY(s.notifier.entries.empty());
}

// The default chain takes 17 draws per word and one: 252645135 words take 2^32 exactly and run
// without a question; one word more asks, and "Нет" starts nothing.
void CurveWindowTest::aSweepBeyondTheGeneratorsCycleAsksFirst() {
    Session s;
    s.model->channelType = 1;
    QStringList asked;
    QList<bool> answers{false, true};
    s.services.warnYesNo = [&](QWidget *, const QString &, const QString &text) {
        asked << text;
        return answers.takeFirst();
    };
    CurveWindow w(s.services);
    ScriptedSweep script;
    w.runSweep = script.Runner();
    QSignalSpy finished(&w, &CurveWindow::sweepFinished);
    const std::pair<std::int32_t, bool> runs[] = {
        {252645135, true}, {252645136, false}, {252645136, true}};
    for (const auto &[words, ran] : runs) {
        SetRange(w, "1", "2", "1", QByteArray::number(words).constData());
        QCOMPARE(w.StartSweep(), ran);
        if (ran)
            QVERIFY(finished.count() > 0 || finished.wait(10000));
        finished.clear();
        if (ran)
            QCOMPARE(script.words, words);
    }
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[0].startsWith(QStringLiteral("Испытанию потребуется 4294967313 случайных")));
    QVERIFY(asked[0].endsWith(QStringLiteral(" Продолжить?")));
}

QTEST_MAIN(CurveWindowTest)
#include "curve_window_test.moc"

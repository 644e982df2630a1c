// The theory beside a run in the windows: the column "Теория" and the lines under the figures of
// the results window, the points "Теория" of the diagram with their check box, and the help topic
// that explains them, reached from the contents and with F1 from the lines.
#include "chain/results_view.h"
#include "gui/app/help_topics.h"
#include "gui/app/main_window.h"
#include "gui/kit/gui_services.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/picture_window.h"
#include "gui/windows/results_window.h"
#include "gui/windows/stage_window.h"

#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QDir>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QTextDocument>
#include <QtTest>

#include <memory>

using namespace spi;
using namespace spi::gui;

namespace {

const QString kNoTheoryRu =
    QStringLiteral("теория известна только для дискретного канала (структура «ДК»)");

// A session of the workstation in which every dialog is accepted as shown and the results
// window closes at once, its contents kept.
struct Session {
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    std::unique_ptr<MainWindow> window;
    QList<int> helpTopics;

    Session() {
        services.execDialog = [](QDialog &d) {
            if (auto *p = qobject_cast<ParameterDialog *>(&d)) {
                if (p->enterButton())
                    p->enterButton()->click();
                else
                    p->accept();
                return p->result();
            }
            return int(QDialog::Accepted);
        };
        services.openHelpTopic = [this](int t) { helpTopics << t; };
        services.askYesNo = [](QWidget *, const QString &, const QString &) { return true; };
        window = std::make_unique<MainWindow>(services);
    }
    // "Стат2" of the default chain of a structure ("DC1" or "RU1", whose channel button is 4 or
    // 10), NB as the dialog shows it, from a fixed seed.
    void RunStat2(const char *structure, int channelButton, std::uint32_t seed) {
        window->action(structure)->trigger();
        for (int button : {channelButton, 7})
            window->stageWindow()->button(button)->click();
        model->fixedSeed = seed;
        window->stageWindow()->button(8)->click();
    }
    ResultsWindow *results() const { return window->dialogs().results; }
    // The texts the run gave the window, made again from the model.
    ResultsView View() const { return MakeStat2View(*model, model->lastMultiplicity); }
};

QStringList Headers(const QTableWidget *t) {
    QStringList h;
    for (int c = 0; c < t->columnCount(); ++c)
        h << t->horizontalHeaderItem(c)->text().trimmed();
    return h;
}

QStringList ShownLines(const ResultsWindow *w) {
    QStringList lines;
    for (int i = 0; i < ResultsWindow::kTheoryLines; ++i)
        if (!w->theoryLine(i)->isHidden())
            lines << w->theoryLine(i)->text();
    return lines;
}

QStringList Strings(const std::vector<std::string> &v) {
    QStringList s;
    for (const std::string &e : v)
        s << QString::fromStdString(e);
    return s;
}

void SaveShot(QWidget &w, const char *name) {
    const QString dir = qEnvironmentVariable("SPI_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QVERIFY(w.grab().save(QDir(dir).filePath(QString::fromLatin1(name))));
}

} // namespace

class TheoryTest : public QObject {
    Q_OBJECT
private slots:
    void resultsShowTheTheoryOnlyWhereItExists();
    void diagramPointsFollowTheirCheckBox();
    void helpTopicExplainsTheFiguresAndIsReached();
    void screenshots();
};

// "ДК" then "РУ" in one window: the column comes with the theory and goes with it.
void TheoryTest::resultsShowTheTheoryOnlyWhereItExists() {
    Session s;
    s.RunStat2("DC1", 4, 11u);
    const QTableWidget *table = s.results()->table();
    QCOMPARE(Headers(table), (QStringList{"Кратность", "До декодирования  n= 7", "Теория",
                                          "После декодирования  k= 3"}));
    const ResultsView view = s.View();
    QCOMPARE(table->rowCount(), int(view.rows.size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const auto row = static_cast<std::size_t>(r);
        // Each row's theory is that of its multiplicity, beside the entries of the run.
        const int mult = table->item(r, 0)->text().trimmed().toInt();
        QCOMPARE(mult, r);
        const QString theory = table->item(r, 2)->text();
        QCOMPARE(theory, QString::fromStdString(view.theoryRows[row]));
        QVERIFY(qAbs(theory.toDouble() - s.model->theory.multBefore[row]) < 1e-10);
        QCOMPARE(theory.indexOf(QLatin1Char('0')),
                 table->item(r, 1)->text().indexOf(QLatin1Char('0'))); // the same format
        QCOMPARE(table->item(r, 3)->text(), QString::fromStdString(view.rows[row][2]));
    }
    QCOMPARE(table->columnWidth(2), table->columnWidth(1));
    QVERIFY(table->minimumWidth() >= 91 + 3 * table->columnWidth(1));
    QCOMPARE(ShownLines(s.results()), Strings(view.theoryLines));
    QVERIFY(ShownLines(s.results()).front().startsWith(QStringLiteral("Теория: Pвх = 0.12")));
    QVERIFY(s.results()->valueLabel("Label7")->text().contains(QStringLiteral("  +-  ")));

    // F1 on a line of theory opens the topic that explains it.
    QTest::keyClick(s.results()->theoryLine(0), Qt::Key_F1);
    QCOMPARE(s.helpTopics, QList<int>{19});

    s.RunStat2("RU1", 10, 11u);
    QCOMPARE(Headers(table),
             (QStringList{"Кратность", "До декодирования  n= 7", "После декодирования  k= 3"}));
    QCOMPARE(table->item(0, 2)->text(), QString::fromStdString(s.View().rows[0][2]));
    const QStringList lines = ShownLines(s.results());
    QCOMPARE(lines, Strings(s.View().theoryLines));
    QCOMPARE(lines.front(), QStringLiteral("Теория: нет — ") + kNoTheoryRu);
}

void TheoryTest::diagramPointsFollowTheirCheckBox() {
    Session s;
    s.RunStat2("DC1", 4, 11u);
    const int rows = s.results()->table()->rowCount();
    PictureWindow w(s.services);
    w.ShowFor(rows);
    QScatterSeries *theory = w.theorySeries();
    QCOMPARE(theory->name(), QStringLiteral("Теория"));
    QVERIFY(w.theoryBox()->isEnabled() && w.theoryBox()->isChecked());
    QVERIFY(theory->isVisible());
    QCOMPARE(theory->count(), rows);
    for (int i = 0; i < rows; ++i) {
        // Over the "До УЗО" bar of its multiplicity, the left one of the two.
        QVERIFY(theory->at(i).x() > i - 0.4 && theory->at(i).x() < i);
        QCOMPARE(theory->at(i).y(), s.model->theory.multBefore[static_cast<std::size_t>(i)]);
    }
    for (const QColor c : {w.beforeSet()->color(), w.afterSet()->color()})
        QVERIFY(theory->color() != c);
    w.theoryBox()->click();
    QVERIFY(!theory->isVisible());
    QCOMPARE(w.beforeSet()->count(), rows); // the bars stay
    w.theoryBox()->click();
    QVERIFY(theory->isVisible());

    // The box stands clear of every other control at the sizes the window takes.
    w.show();
    for (const QSize size : {QSize(600, 480), QSize(700, 500), QSize(1200, 800)}) {
        w.resize(size);
        QCoreApplication::processEvents();
        const QRect box = w.theoryBox()->geometry();
        QVERIFY(w.rect().contains(box));
        for (const QWidget *c : std::initializer_list<const QWidget *>{
                 w.backButton(), w.printButton(), w.pngButton(), w.marksGroup(), w.rangeGroup()})
            QVERIFY2(!box.intersects(c->geometry()), qPrintable(c->objectName()));
        QVERIFY(!box.intersects(w.chartView()->geometry()));
    }
    // Each "До УЗО" mark stands clear of its multiplicity's point.
    for (int i = 0; i < rows; ++i) {
        const QPointF p = w.chart()->mapToPosition(theory->at(i), theory);
        const QRectF dot(p - QPointF(4, 4), QSizeF(8, 8));
        const QGraphicsSimpleTextItem *mark = w.marks(w.beforeSet())[i];
        QVERIFY(mark->isVisible());
        QVERIFY2(!mark->sceneBoundingRect().intersects(dot), qPrintable(QString::number(i)));
    }

    s.RunStat2("RU1", 10, 11u);
    w.ShowFor(s.results()->table()->rowCount());
    QVERIFY(!w.theoryBox()->isEnabled());
    QVERIFY(!theory->isVisible());
    QCOMPARE(theory->count(), 0);
    QCOMPARE(w.theoryBox()->toolTip(), QStringLiteral("Теория: нет — ") + kNoTheoryRu);
}

void TheoryTest::helpTopicExplainsTheFiguresAndIsReached() {
    QVERIFY(HelpTopicNumbers().contains(19));
    const QString page = HelpTopicHtml(19);
    QTextDocument doc;
    doc.setHtml(page);
    QCOMPARE(doc.metaInformation(QTextDocument::DocumentTitle),
             QStringLiteral("Теория и доверительные интервалы"));
    // The three figures, and each case in which one is absent.
    for (const char *word : {"Pвх", "стационарн", "Гарантия декодера", "нижняя граница", "L",
                             "Согласие с теорией", "χ²", "Полуширина по пакетам", "независим",
                             "«РУ»", "каскадн", "Витерби", "пределы", "меньше двух блоков"})
        QVERIFY2(page.contains(QString::fromUtf8(word)), word);
    for (int from : {0, 11, 12})
        QVERIFY2(HelpTopicHtml(from).contains(QStringLiteral("href=\"topic:19\"")),
                 qPrintable(QString::number(from)));
}

void TheoryTest::screenshots() {
    if (qEnvironmentVariableIsEmpty("SPI_SCREENSHOT_DIR"))
        QSKIP("SPI_SCREENSHOT_DIR is not set");
    Session s;
    s.window->action("DC1")->trigger();
    s.window->stageWindow()->button(4)->click();
    s.window->stageWindow()->button(7)->click();
    s.model->wordCount = 10000;
    s.model->fixedSeed = 12345u;
    s.window->stageWindow()->button(8)->click();
    ResultsWindow *results = s.results();
    results->show();
    results->adjustSize();
    QVERIFY(QTest::qWaitForWindowExposed(results));
    QTest::qWait(50);
    SaveShot(*results, "results-theory.png");

    PictureWindow w(s.services);
    w.ShowFor(results->table()->rowCount());
    w.resize(860, 580);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(50);
    SaveShot(w, "diagram-theory.png");
}

QTEST_MAIN(TheoryTest)
#include "theory_test.moc"

// The diagram of a run's two distributions (bars, marks, printing, the controls' places) and the
// import of the report as a rich-text document.
#include "chain/results_view.h"
#include "gui/kit/gui_services.h"
#include "gui/windows/picture_window.h"
#include "gui/windows/report_import.h"
#include "gui/windows/results_window.h"
#include "io/run_report.h"

#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace spi;
using namespace spi::gui;

namespace {

// The distributions of a code with n = 15, k = 7 whose highest multiplicity is 4; multiplicity 3
// after decoding never occurred, so a zero stands between non-zero entries.
constexpr double kBefore[] = {0.161, 0.297, 0.282, 0.169, 0.091};
constexpr double kAfter[] = {0.754, 0.078, 0.095, 0.0, 0.073};
constexpr int kHighest = 4;

struct Session {
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    QString pdfPath; // where a print dialog prints; empty: the user cancels
    int pictureOpenings = 0;
    int barsWhenOpened = -1;
    int printDialogs = 0;

    Session() {
        services.execDialog = [this](QDialog &d) {
            if (auto *print = qobject_cast<QPrintDialog *>(&d)) {
                ++printDialogs;
                if (pdfPath.isEmpty())
                    return int(QDialog::Rejected);
                print->printer()->setOutputFormat(QPrinter::PdfFormat);
                print->printer()->setOutputFileName(pdfPath);
                return int(QDialog::Accepted);
            }
            if (auto *picture = qobject_cast<PictureWindow *>(&d)) {
                ++pictureOpenings;
                barsWhenOpened = picture->beforeSet()->count();
            }
            return int(QDialog::Accepted);
        };
        model->codeType = 4;
        model->codeN = 15;
        model->codeK = 7;
        model->wordCount = 1000;
        for (int i = 0; i <= kHighest; ++i) {
            model->multBefore[static_cast<std::size_t>(i)] = kBefore[i];
            model->multAfter[static_cast<std::size_t>(i)] = kAfter[i];
        }
        model->multRowsBefore = model->codeN + 1;
        model->multRowsAfter = model->codeK + 1;
    }

    // A run's distributions for words of n symbols carrying k: binomial before decoding with
    // symbol error probability p, and the residue in the k symbols after it with p / 3.
    void LoadWords(int n, int k, double p) {
        const auto binomial = [](int m, double q, int i) {
            return i > m ? 0.0
                         : std::exp(std::lgamma(m + 1.0) - std::lgamma(i + 1.0) -
                                    std::lgamma(m - i + 1.0) + i * std::log(q) +
                                    (m - i) * std::log1p(-q));
        };
        model->codeN = n;
        model->codeK = k;
        for (int i = 0; i <= kMaxWord; ++i) {
            model->multBefore[static_cast<std::size_t>(i)] = binomial(n, p, i);
            model->multAfter[static_cast<std::size_t>(i)] = binomial(k, p / 3, i);
        }
    }

    // The data rows of the results window after the run, as the diagram is given them.
    int ResultsRows(int highest = kHighest) {
        ResultsWindow results(services);
        results.Fill(MakeStat2View(*model, highest));
        return results.table()->rowCount();
    }
};

QList<qreal> Values(const QBarSet *set) {
    QList<qreal> v;
    for (int i = 0; i < set->count(); ++i)
        v.append(set->at(i));
    return v;
}

QStringList Texts(const QList<QGraphicsSimpleTextItem *> &marks) {
    QStringList t;
    for (const auto *m : marks)
        t << m->text();
    return t;
}

int VisibleCount(const QList<QGraphicsSimpleTextItem *> &marks) {
    int n = 0;
    for (const auto *m : marks)
        n += m->isVisible() ? 1 : 0;
    return n;
}

// The bytes an RTF body stands for: escapes decoded, paragraphs as CR LF, control words dropped.
QByteArray DecodeRtfBody(const QByteArray &rtf) {
    const QByteArray start = "\\fs20 ";
    qsizetype i = rtf.indexOf(start);
    if (i < 0)
        return {};
    i += start.size();
    QByteArray out;
    while (i < rtf.size() && rtf[i] != '}') {
        const char c = rtf[i];
        if (c == '\r' || c == '\n') {
            ++i;
        } else if (c != '\\') {
            out += c;
            ++i;
        } else if (rtf[i + 1] == '\'') {
            out += static_cast<char>(rtf.mid(i + 2, 2).toInt(nullptr, 16));
            i += 4;
        } else if (rtf.mid(i, 4) == "\\par") {
            out += "\r\n";
            i += 4;
        } else {
            out += rtf[i + 1];
            i += 2;
        }
    }
    return out;
}

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void SaveScreenshot(QWidget &w, const QString &name) {
    const QByteArray dir = qgetenv("SPI_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QVERIFY(w.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name)));
}

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(10);
    }
}

void ShowAndSettle(QWidget &w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Settle();
}

// The axis value under a point of the chart, and the point of an axis value (at the bars' foot).
double ValueAt(const PictureWindow &w, QPointF p) {
    return w.chart()->mapToValue(p, w.chart()->series().front()).x();
}
QPointF PointOf(const PictureWindow &w, double v) {
    return w.chart()->mapToPosition(QPointF(v, 0), w.chart()->series().front());
}

void TurnWheel(PictureWindow &w, QPointF inChart, int delta) {
    QWidget *viewport = w.chartView()->viewport();
    const QPointF at = w.chartView()->mapFromScene(w.chart()->mapToScene(inChart));
    QWheelEvent turn(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &turn);
    Settle();
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT
private slots:
    void marksHaveAtMostThreeDecimals();
    void barsFollowTheResultsTable();
    void everyOpeningStartsAfresh();
    void checkBoxesHideOnlyTheirMarks();
    void marksStandOverTheirBars();
    void controlsFollowTheWindowSize();
    void printsTheChartAsVectorPdf();
    void marksShowOnlyWhereTheyFit();
    void wheelAndFieldsZoomOnlyTheView();
    void richTextKeepsTheCodePage();
    void importHandsTheDocumentOver();
    void importWithoutProgramSaysSo();
};

void PictureTest::marksHaveAtMostThreeDecimals() {
    QCOMPARE(FormatMark(0.407), QStringLiteral("0.407"));
    QCOMPARE(FormatMark(0.5), QStringLiteral("0.5"));
    QCOMPARE(FormatMark(0), QStringLiteral("0"));
    QCOMPARE(FormatMark(0.40712), QStringLiteral("0.407"));
    QCOMPARE(FormatMark(0.0004), QStringLiteral("0"));
    QCOMPARE(FormatMark(0.9996), QStringLiteral("1"));
    QCOMPARE(FormatMark(0.12), QStringLiteral("0.12"));
    QCOMPARE(FormatMark(1), QStringLiteral("1"));
}

void PictureTest::barsFollowTheResultsTable() {
    Session s;
    const int rows = s.ResultsRows();
    QCOMPARE(rows, kHighest + 1);
    PictureWindow w(s.services);
    QCOMPARE(w.objectName(), QStringLiteral("TPicture"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Рисунок"));
    QCOMPARE(w.Run(rows), int(QDialog::Accepted));
    QCOMPARE(s.pictureOpenings, 1);
    QCOMPARE(s.barsWhenOpened, kHighest + 1); // filled before the window shows

    QCOMPARE(w.chart()->title(), QStringLiteral("Результаты испытаний"));
    QVERIFY(w.chart()->legend()->isVisible());
    QCOMPARE(w.multiplicityAxis()->titleText(), QStringLiteral("Кратность"));
    QCOMPARE(w.multiplicityAxis()->tickInterval(), 1.0);
    QCOMPARE(w.multiplicityAxis()->tickAnchor(), 0.0);
    QVERIFY(w.multiplicityAxis()->min() < 0 && w.multiplicityAxis()->max() > kHighest);
    QVERIFY(w.multiplicityAxis()->max() < kHighest + 1);

    QCOMPARE(w.beforeSet()->label(), QStringLiteral("До УЗО"));
    QCOMPARE(w.afterSet()->label(), QStringLiteral("После УЗО"));
    QCOMPARE(w.beforeSet()->color(), QColor(0xFF, 0x00, 0xFF));
    QCOMPARE(w.afterSet()->color(), QColor(Qt::blue));
    QCOMPARE(Values(w.beforeSet()), QList<qreal>({0.161, 0.297, 0.282, 0.169, 0.091}));
    QCOMPARE(Values(w.afterSet()), QList<qreal>({0.754, 0.078, 0.095, 0.0, 0.073}));
    QCOMPARE(Texts(w.marks(w.beforeSet())),
             QStringList({"0.161", "0.297", "0.282", "0.169", "0.091"}));
    QCOMPARE(Texts(w.marks(w.afterSet())), QStringList({"0.754", "0.078", "0.095", "0", "0.073"}));
    // An explicit, dark mark colour: the default would be white on the light background.
    for (const auto *set : {w.beforeSet(), w.afterSet()}) {
        const QColor c = w.marks(set).front()->brush().color();
        QCOMPARE(c.alpha(), 255);
        QVERIFY2(c.lightness() < 100, qPrintable(c.name()));
    }
}

void PictureTest::everyOpeningStartsAfresh() {
    Session s;
    PictureWindow w(s.services);
    const int rows = s.ResultsRows();
    w.Run(rows);
    w.Run(rows);
    QCOMPARE(s.pictureOpenings, 2);
    QCOMPARE(w.beforeSet()->count(), kHighest + 1);
    QCOMPARE(w.afterSet()->count(), kHighest + 1);
    QCOMPARE(w.marks(w.beforeSet()).size(), kHighest + 1);
    QCOMPARE(Values(w.afterSet()), QList<qreal>({0.754, 0.078, 0.095, 0.0, 0.073}));

    // A later run with fewer multiplicities: the table's rows decide, whatever their values.
    s.model->multBefore[4] = 0;
    s.model->multAfter[4] = 0;
    w.Run(s.ResultsRows(2));
    QCOMPARE(w.beforeSet()->count(), 3);
    QCOMPARE(w.marks(w.afterSet()).size(), 3);
    QCOMPARE(w.multiplicityAxis()->max(), 2.5);
    // The results table before its first filling has 50 rows and plots as such.
    ResultsWindow fresh(s.services);
    w.Run(fresh.table()->rowCount());
    QCOMPARE(w.beforeSet()->count(), 50);
}

void PictureTest::checkBoxesHideOnlyTheirMarks() {
    Session s;
    PictureWindow w(s.services);
    w.Run(s.ResultsRows());
    QVERIFY(w.beforeMarksBox()->isChecked());
    QVERIFY(w.afterMarksBox()->isChecked());
    QCOMPARE(w.beforeMarksBox()->objectName(), QStringLiteral("CheckBox1"));
    QCOMPARE(w.marksGroup()->title(), QStringLiteral("Метки"));
    QCOMPARE(VisibleCount(w.marks(w.beforeSet())), kHighest + 1);

    w.beforeMarksBox()->click();
    QCOMPARE(VisibleCount(w.marks(w.beforeSet())), 0);
    QCOMPARE(VisibleCount(w.marks(w.afterSet())), kHighest + 1);
    QCOMPARE(w.beforeSet()->count(), kHighest + 1); // the bars stay
    QVERIFY(w.beforeSet()->at(1) > 0);
    // The choice holds for the next opening.
    w.Run(s.ResultsRows());
    QCOMPARE(VisibleCount(w.marks(w.beforeSet())), 0);
    QCOMPARE(VisibleCount(w.marks(w.afterSet())), kHighest + 1);

    w.afterMarksBox()->click();
    w.beforeMarksBox()->click();
    QCOMPARE(VisibleCount(w.marks(w.beforeSet())), kHighest + 1);
    QCOMPARE(VisibleCount(w.marks(w.afterSet())), 0);
}

void PictureTest::marksStandOverTheirBars() {
    Session s;
    PictureWindow w(s.services);
    w.ShowFor(s.ResultsRows());
    w.resize(860, 580);
    ShowAndSettle(w);
    SaveScreenshot(w, QStringLiteral("picture.png"));
    const QRectF plot = w.chart()->plotArea();
    QVERIFY(!plot.isEmpty());
    const auto &before = w.marks(w.beforeSet());
    const auto &after = w.marks(w.afterSet());
    for (int i = 0; i <= kHighest; ++i) {
        const QRectF b = before[i]->sceneBoundingRect();
        const QRectF a = after[i]->sceneBoundingRect();
        QVERIFY2(b.center().x() < a.center().x(), qPrintable(QString::number(i)));
        // Inside the chart, the "До УЗО" mark over the left bar of its multiplicity.
        QVERIFY(w.chart()->sceneBoundingRect().contains(b));
        QVERIFY(w.chart()->sceneBoundingRect().contains(a));
        const QPointF barTop =
            w.chart()->mapToPosition(QPointF(i, w.beforeSet()->at(i)), w.chart()->series().front());
        QVERIFY(b.bottom() <= barTop.y() + 0.5);
        QVERIFY(b.bottom() >= plot.top());
        QVERIFY(qAbs(b.center().x() - barTop.x()) < plot.width() / (kHighest + 1) / 2);
    }

    // Many multiplicities: the axis numbers thin out and the marks stand upright rather than run
    // into each other.
    for (int i = 0; i <= 40; ++i) {
        s.model->multBefore[static_cast<std::size_t>(i)] = 0.02 + 0.001 * i;
        s.model->multAfter[static_cast<std::size_t>(i)] = 0.015;
    }
    w.ShowFor(41);
    QCoreApplication::processEvents();
    QVERIFY(w.multiplicityAxis()->tickInterval() > 1);
    QCOMPARE(w.marks(w.beforeSet()).front()->rotation(), -90.0);
    SaveScreenshot(w, QStringLiteral("picture-41.png"));
}

void PictureTest::controlsFollowTheWindowSize() {
    Session s;
    PictureWindow w(s.services);
    w.ShowFor(s.ResultsRows());
    ShowAndSettle(w);
    for (const QSize size : {QSize(900, 640), QSize(700, 500), QSize(1200, 800)}) {
        w.resize(size);
        QCoreApplication::processEvents();
        const int W = w.frameGeometry().width();
        const int H = w.frameGeometry().height();
        QCOMPARE(w.backButton()->pos(), QPoint(W - 100, H - 160));
        QCOMPARE(w.printButton()->pos(), QPoint(W - 100, H - 160 - 50));
        QCOMPARE(w.marksGroup()->pos(), QPoint(W - 115, 150));
        // The chart fills the window up to the controls and is covered by none of them.
        const QRect chart = w.chartView()->geometry();
        QCOMPARE(chart.topLeft(), QPoint(0, 0));
        QCOMPARE(chart.height(), w.height());
        for (const QWidget *c :
             {static_cast<QWidget *>(w.backButton()), static_cast<QWidget *>(w.printButton()),
              static_cast<QWidget *>(w.marksGroup())}) {
            QVERIFY(!chart.intersects(c->geometry()));
            QVERIFY(w.rect().contains(c->geometry()));
        }
        QVERIFY(w.marksGroup()->geometry().bottom() < w.printButton()->y());
    }
    QCOMPARE(w.backButton()->text(), QStringLiteral("Назад"));
    QCOMPARE(w.printButton()->text(), QStringLiteral("Печать"));
    w.backButton()->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void PictureTest::printsTheChartAsVectorPdf() {
    Session s;
    QTemporaryDir dir;
    PictureWindow w(s.services);
    w.ShowFor(s.ResultsRows());
    w.resize(860, 580);
    ShowAndSettle(w);

    s.pdfPath = dir.filePath(QStringLiteral("chart.pdf"));
    w.printButton()->click();
    const QByteArray pdf = ReadAll(s.pdfPath);
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY2(pdf.size() > 2000 && pdf.size() < 2'000'000, qPrintable(QString::number(pdf.size())));
    // Texts went out as texts in an embedded font, and nothing was drawn as a picture.
    QVERIFY(pdf.contains("/FontFile") || pdf.contains("/Type /Font") || pdf.contains("/Type/Font"));
    QVERIFY(!pdf.contains("/Subtype /Image") && !pdf.contains("/Subtype/Image"));
    QVERIFY(s.notifier.entries.empty());
    if (const QByteArray shots = qgetenv("SPI_SCREENSHOT_DIR"); !shots.isEmpty())
        QFile::copy(s.pdfPath, QDir(QString::fromLocal8Bit(shots)).filePath("picture.pdf"));

    // Cancelling the print dialog prints nothing.
    QFile::remove(s.pdfPath);
    const QString kept = s.pdfPath;
    s.pdfPath.clear();
    QVERIFY(!w.Print());
    QVERIFY(!QFile::exists(kept));
}

void PictureTest::marksShowOnlyWhereTheyFit() {
    // One window taken through the states in order; range {0, 0} stands for "Сброс".
    struct Step {
        int n, k;
        double p;
        QSize size;
        MultRange range;
        bool beforeOn, fits;
        const char *screenshot;
    };
    const Step steps[] = {
        {7, 4, 0.1, {860, 580}, {0, 0}, true, true, "picture-n7.png"},
        {2040, 1784, 0.3, {860, 580}, {0, 0}, true, false, "picture-n2040.png"},
        {2040, 1784, 0.3, {860, 580}, {590, 630}, true, true, "picture-n2040-zoom.png"},
        {2040, 1784, 0.3, {1400, 900}, {0, 0}, false, false, nullptr},
        {2040, 1784, 0.3, {1400, 900}, {2000, 2040}, false, true, nullptr},
        {100, 80, 0.3, {860, 580}, {0, 0}, true, false, nullptr},
        {100, 80, 0.3, {2400, 700}, {0, 0}, true, true, nullptr},
        {100, 80, 0.3, {700, 500}, {0, 0}, true, false, nullptr},
    };
    Session s;
    PictureWindow w(s.services);
    int shownN = -1;
    for (const Step &step : steps) {
        const QString where = QStringLiteral("n=%1 %2x%3 %4..%5")
                                  .arg(step.n)
                                  .arg(step.size.width())
                                  .arg(step.size.height())
                                  .arg(step.range.first)
                                  .arg(step.range.last);
        if (step.n != shownN) {
            s.LoadWords(step.n, step.k, step.p);
            w.ShowFor(s.ResultsRows(step.n));
            shownN = step.n;
        }
        w.resize(step.size);
        ShowAndSettle(w);
        // Under a window system the new size arrives as an event of its own.
        QTRY_COMPARE(w.size(), step.size);
        QTRY_COMPARE(w.chart()->size().toSize(), w.chartView()->size());
        if (step.range == MultRange{0, 0}) {
            w.resetButton()->click();
        } else {
            w.fromBox()->setValue(step.range.first);
            w.toBox()->setValue(step.range.last);
        }
        if (w.beforeMarksBox()->isChecked() != step.beforeOn)
            w.beforeMarksBox()->click();
        Settle();

        const MultRange shown = w.shownRange();
        const bool whole = step.range == MultRange{0, 0};
        QCOMPARE(shown, (whole ? MultRange{0, step.n} : step.range));
        const int perSet = step.fits ? shown.count() : 0;
        // The fit is decided again once the chart has laid out its new size, which a loaded
        // machine may deliver late.
        QTRY_VERIFY2(VisibleCount(w.marks(w.beforeSet())) == (step.beforeOn ? perSet : 0),
                     qPrintable(where));
        QTRY_VERIFY2(VisibleCount(w.marks(w.afterSet())) == perSet, qPrintable(where));
        // Whatever the room, the boxes keep their captions and can be switched.
        QTRY_VERIFY2(w.noRoomNote()->isVisible() != step.fits, qPrintable(where));
        QVERIFY(w.noRoomNote()->text().contains(QStringLiteral("не помещаются")));
        for (const QCheckBox *box : {w.beforeMarksBox(), w.afterMarksBox()}) {
            QVERIFY(box->isEnabled());
            QCOMPARE(box->toolTip().isEmpty(), step.fits);
        }
        QCOMPARE(w.beforeMarksBox()->text(), QStringLiteral("До УЗО"));
        QCOMPARE(w.afterMarksBox()->text(), QStringLiteral("После УЗО"));
        // Marks shown do not run into the next mark of their distribution.
        for (const auto *set : {w.beforeSet(), w.afterSet()}) {
            const auto &marks = w.marks(set);
            for (int i = shown.first; i < shown.last; ++i)
                if (marks[i]->isVisible())
                    QVERIFY2(!marks[i]->sceneBoundingRect().intersects(
                                 marks[i + 1]->sceneBoundingRect()),
                             qPrintable(where + QStringLiteral(" at %1").arg(i)));
        }
        if (step.screenshot)
            SaveScreenshot(w, QString::fromLatin1(step.screenshot));
    }
}

void PictureTest::wheelAndFieldsZoomOnlyTheView() {
    constexpr int kN = 2040;
    Session s;
    s.LoadWords(kN, 1784, 0.3);
    const auto before = s.model->multBefore;
    const auto after = s.model->multAfter;
    PictureWindow w(s.services);
    w.ShowFor(s.ResultsRows(kN));
    w.resize(860, 580);
    ShowAndSettle(w);
    const auto expectShown = [&w](MultRange r) {
        QCOMPARE(w.shownRange(), r);
        QCOMPARE(w.multiplicityAxis()->min(), r.first - 0.5);
        QCOMPARE(w.multiplicityAxis()->max(), r.last + 0.5);
        QCOMPARE(w.fromBox()->value(), r.first);
        QCOMPARE(w.toBox()->value(), r.last);
    };

    // Wheel turns at multiplicities (positive: nearer), one after the other. The multiplicity
    // under the cursor stays under it unless an edge of the table holds the view.
    struct Turn {
        double at;
        int delta;
        bool leftHeld, rightHeld;
    };
    const Turn turns[] = {
        {612, 360, false, false},  {612, 1200, false, false}, {600, 120, false, false},
        {598, 240, false, false},  {590, -240, false, false}, {590, -4800, true, true},
        {5, 600, false, false},    {600, -240, true, false},  {1000, -4800, true, true},
        {2035, 600, false, false}, {1500, -240, false, true},
    };
    for (const Turn &turn : turns) {
        const QString where = QStringLiteral("%1 by %2").arg(turn.at).arg(turn.delta);
        const MultRange was = w.shownRange();
        const QPointF cursor = PointOf(w, turn.at);
        TurnWheel(w, cursor, turn.delta);
        const MultRange now = w.shownRange();
        expectShown(now);
        QVERIFY2(turn.delta > 0 ? now.count() < was.count() : now.count() > was.count(),
                 qPrintable(where));
        QVERIFY2((now.first == 0) == turn.leftHeld, qPrintable(where));
        QVERIFY2((now.last == kN) == turn.rightHeld, qPrintable(where));
        if (!turn.leftHeld && !turn.rightHeld)
            QVERIFY2(std::abs(ValueAt(w, cursor) - turn.at) <= 1, qPrintable(where));
    }

    // The fields: "от" typed and entered, "до" below "от" takes "от" along; "Сброс" shows all.
    w.fromBox()->selectAll();
    const MultRange typedOver = w.shownRange();
    QTest::keyClicks(w.fromBox(), QStringLiteral("1000"));
    QCOMPARE(w.shownRange(), typedOver); // nothing while typing
    QTest::keyClick(w.fromBox(), Qt::Key_Return);
    expectShown({1000, kN});
    QCOMPARE(s.printDialogs, 0); // Enter in the field is not the window's default button
    w.toBox()->setValue(900);
    expectShown({900, 900});
    w.resetButton()->click();
    expectShown({0, kN});
    QCOMPARE(w.rangeGroup()->title(), QStringLiteral("Кратности"));
    QVERIFY(!w.rangeGroup()->geometry().intersects(w.chartView()->geometry()));
    QVERIFY(w.rangeGroup()->geometry().bottom() < w.marksGroup()->y());

    // Only the view changed: the bars hold the whole table, the model its distributions.
    QCOMPARE(w.beforeSet()->count(), kN + 1);
    for (int i = 0; i <= kN; ++i) {
        QCOMPARE(w.beforeSet()->at(i), before[static_cast<std::size_t>(i)]);
        QCOMPARE(w.afterSet()->at(i), after[static_cast<std::size_t>(i)]);
    }
    QVERIFY(s.model->multBefore == before && s.model->multAfter == after);
}

void PictureTest::richTextKeepsTheCodePage() {
    const std::string rtf = RichTextFromCp1251("a\\b{c}\xC0\xFF\r\n  x\ty\n\x01z");
    QVERIFY(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1251"));
    QVERIFY(rtf.find("\\fcharset204 Courier New;") != std::string::npos);
    const std::string body = rtf.substr(rtf.find("\\fs20 ") + 6);
    QCOMPARE(body, std::string("a\\\\b\\{c\\}\\'c0\\'ff\\par\r\n  x\\tab y\\par\r\nz}\r\n"));
}

void PictureTest::importHandsTheDocumentOver() {
    Session s;
    QTemporaryDir scratch;
    QStringList handed;
    const auto opener = [&handed](const QString &path) {
        handed << path;
        return true;
    };
    QVERIFY(ImportReport(s.services, scratch.path(), opener));
    QVERIFY(ImportReport(s.services, scratch.path(), opener));
    QCOMPARE(handed.size(), 2);
    QVERIFY(s.notifier.entries.empty());

    const auto report = WriteTestReport(*s.model, false);
    QVERIFY(report.has_value());
    const QByteArray expected(report->data(), static_cast<qsizetype>(report->size()));
    for (const QString &path : handed) {
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("impfile.rtf"));
        QVERIFY(QFileInfo(path).absoluteFilePath().startsWith(QDir(scratch.path()).absolutePath()));
        // Still there for the program that reads it after the command has returned.
        QVERIFY(QFile::exists(path));
        const QString txt = QFileInfo(path).dir().filePath(QStringLiteral("impfile.txt"));
        QCOMPARE(ReadAll(txt), expected);
        const QByteArray rtf = ReadAll(path);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
        // "РЕЗУЛЬТАТЫ" of the title line, letter by letter in code page 1251.
        QVERIFY(rtf.contains("\\'d0\\'c5\\'c7\\'d3\\'cb\\'dc\\'d2\\'c0\\'d2\\'db"));
        // Each line of the report a paragraph, the report's lone line feeds (empty lines) as well.
        QCOMPARE(DecodeRtfBody(rtf),
                 QByteArray(expected).replace("\r\n", "\n").replace("\n", "\r\n"));
    }
    // The second document does not overwrite the first one, which may still be open.
    QVERIFY(handed[0] != handed[1]);
}

void PictureTest::importWithoutProgramSaysSo() {
    Session s;
    QTemporaryDir scratch;
    QString handed;
    QVERIFY(!ImportReport(s.services, scratch.path(), [&handed](const QString &path) {
        handed = path;
        return false;
    }));
    QCOMPARE(s.notifier.entries.size(), std::size_t(1));
    const auto &said = s.notifier.entries.front();
    QCOMPARE(said.kind, MessageKind::Warning);
    QVERIFY(said.text.starts_with("Не найдена программа для просмотра документов RTF."));
    QVERIFY(said.text.find(QDir::toNativeSeparators(handed).toStdString()) != std::string::npos);
    QVERIFY(QFile::exists(handed));

    // No scratch folder: the report is not written anywhere and no program is asked.
    s.notifier.entries.clear();
    bool asked = false;
    QVERIFY(!ImportReport(s.services, scratch.filePath(QStringLiteral("gone")), [&asked](auto &) {
        asked = true;
        return true;
    }));
    QVERIFY(!asked);
    QVERIFY(s.notifier.Has("Не удалось создать временную папку для импорта."));
}

QTEST_MAIN(PictureTest)
#include "picture_test.moc"

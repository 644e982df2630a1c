// "Рисунок": the two error-multiplicity distributions of the last run as a bar chart, with the
// value marks over the bars that can be switched off per distribution, the theory's distribution
// before decoding as points over the "До УЗО" bars (switched by "Теория"), a view of part of the
// multiplicities (mouse wheel, "от"/"до", "Сброс"), and printing of the chart as shown.
#pragma once

#include "gui/kit/gui_services.h"
#include "gui/windows/picture_zoom.h"

#include <QDialog>
#include <QList>
#include <QString>

class QBarSeries;
class QBarSet;
class QChart;
class QChartView;
class QCheckBox;
class QGraphicsSimpleTextItem;
class QGroupBox;
class QLabel;
class QPushButton;
class QScatterSeries;
class QSpinBox;
class QValueAxis;

namespace spi::gui {

// A value mark as the chart shows it: at most three decimals, no trailing zeros ("0.###").
QString FormatMark(double value);

class PictureWindow : public QDialog {
    Q_OBJECT
public:
    explicit PictureWindow(GuiServices &services, QWidget *parent = nullptr);

    // Plots multiplicities 0 .. rows-1, rows being the number of data rows of the results table;
    // the bars of an earlier opening are cleared first.
    void ShowFor(int rows);
    // ShowFor, then the window modally (through the services).
    int Run(int rows);
    // "Печать": asks for the printer and prints the chart; false when the user cancelled.
    bool Print();

    QChart *chart() const { return chart_; }
    QChartView *chartView() const { return view_; }
    QBarSet *beforeSet() const { return before_; }           // Series1 "До УЗО"
    QBarSet *afterSet() const { return after_; }             // Series2 "После УЗО"
    QScatterSeries *theorySeries() const { return theory_; } // Series3 "Теория"
    // Shows the theory's points; disabled, with the reason as its tip, where the run has none.
    QCheckBox *theoryBox() const { return theoryBox_; }
    QValueAxis *multiplicityAxis() const { return axisX_; }
    QCheckBox *beforeMarksBox() const { return beforeMarks_; }
    QCheckBox *afterMarksBox() const { return afterMarks_; }
    QGroupBox *marksGroup() const { return group_; }
    QPushButton *printButton() const { return print_; }
    QPushButton *backButton() const { return back_; }
    QPushButton *pngButton() const { return png_; }
    QGroupBox *rangeGroup() const { return rangeGroup_; }
    QSpinBox *fromBox() const { return from_; }
    QSpinBox *toBox() const { return to_; }
    QPushButton *resetButton() const { return reset_; }
    // The note in the group "Метки" shown while the marks have no room over their bars.
    QLabel *noRoomNote() const { return noRoom_; }
    // The multiplicities the axis shows; the whole table after every ShowFor and "Сброс".
    MultRange shownRange() const { return range_; }
    // The value marks over the bars of a set, in the order of multiplicity.
    const QList<QGraphicsSimpleTextItem *> &marks(const QBarSet *set) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *MakeMarksGroup();
    void AddTheory();
    // Shows the multiplicities of range, kept within the table; the fields follow.
    void SetRange(MultRange range);
    void PlaceControls();
    void FitAxes();
    void PlaceMarks();
    void ShowMarks();
    // The theory's points of multiplicities 0 .. rows-1 and the state of "Теория".
    void FillTheory(int rows);
    // The foot of the "До УЗО" mark of multiplicity i, a mark reaching `extent` up from the bar's
    // top at `foot`: lifted over the theory's point where the point would cover it.
    qreal ClearOfTheory(int i, qreal foot, qreal extent) const;
    int Highest() const;

    GuiServices &services_;
    QChart *chart_;
    QChartView *view_;
    QBarSeries *series_;
    QBarSet *before_, *after_;
    QScatterSeries *theory_;
    QCheckBox *theoryBox_;
    QValueAxis *axisX_, *axisY_;
    QList<QGraphicsSimpleTextItem *> beforeLabels_, afterLabels_;
    QGroupBox *group_;
    QCheckBox *beforeMarks_, *afterMarks_;
    QLabel *noRoom_;
    QGroupBox *rangeGroup_;
    QSpinBox *from_, *to_;
    QPushButton *reset_;
    QPushButton *print_, *back_, *png_;
    MultRange range_;
    // Level until the first layout: a window not yet shown has no plot area to judge by.
    MarkFit fit_ = MarkFit::Level;
};

} // namespace spi::gui

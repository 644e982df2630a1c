// "Рисунок": the two error-multiplicity distributions of the last run as a bar chart, with the
// value marks over the bars that can be switched off per distribution, and printing of the chart.
#pragma once

#include "app/gui_services.h"

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
class QPushButton;
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
    QBarSet *beforeSet() const { return before_; } // Series1 "До УЗО"
    QBarSet *afterSet() const { return after_; }   // Series2 "После УЗО"
    QValueAxis *multiplicityAxis() const { return axisX_; }
    QCheckBox *beforeMarksBox() const { return beforeMarks_; }
    QCheckBox *afterMarksBox() const { return afterMarks_; }
    QGroupBox *marksGroup() const { return group_; }
    QPushButton *printButton() const { return print_; }
    QPushButton *backButton() const { return back_; }
    QPushButton *pngButton() const { return png_; }
    // The value marks over the bars of a set, in the order of multiplicity.
    const QList<QGraphicsSimpleTextItem *> &marks(const QBarSet *set) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void PlaceControls();
    void FitAxes();
    void PlaceMarks();

    GuiServices &services_;
    QChart *chart_;
    QChartView *view_;
    QBarSeries *series_;
    QBarSet *before_, *after_;
    QValueAxis *axisX_, *axisY_;
    QList<QGraphicsSimpleTextItem *> beforeLabels_, afterLabels_;
    QGroupBox *group_;
    QCheckBox *beforeMarks_, *afterMarks_;
    QPushButton *print_, *back_, *png_;
};

} // namespace spi::gui

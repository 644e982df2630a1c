// "Кривая": a test of the current chain repeated over a range of one continuous-channel
// parameter, plotted as Pвх and Pвых against it with their confidence bars, the theory beside them
// dashed, and exported as CSV, SVG and PNG. The window is built in curve_window.cpp, the sweep run
// in curve_sweep.cpp.
#pragma once

#include "gui/kit/gui_services.h"
#include "research/sweep.h"

#include <QDialog>
#include <QLineF>
#include <QList>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QChart;
class QChartView;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QLogValueAxis;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QValueAxis;

namespace spi::gui {

class ConfidenceBars;

// The most points one sweep may have: more would take hours at any useful NB and crowd the chart.
inline constexpr int kMaxSweepPoints = 200;

class CurveWindow : public QDialog {
    Q_OBJECT
public:
    // The curves of the chart.
    enum Curve { In = 0, Out = 1 };
    // The dashed curves of theory: Pвх beside In, the bound on the word error rate beside Out.
    enum TheoryCurve { InTheory = 0, WordBound = 1 };

    explicit CurveWindow(GuiServices &services, QWidget *parent = nullptr);
    ~CurveWindow() override;

    // Shows the window modally (through the services).
    int Run();

    // "Расчет": checks the fields and starts the sweep in a thread of its own on a copy of the
    // model; false (with the message, the field marked) when a field is bad or a sweep runs.
    bool StartSweep();
    // "Прервать": the sweep ends after the point being run.
    void StopSweep();
    bool sweepRunning() const { return worker_.joinable(); }

    // The exports; false when the user cancelled the file choice or the file was not written.
    bool ExportCsv();
    bool ExportSvg();
    bool ExportPng();

    // The model name of the chosen parameter ("contHp").
    QString field() const;
    // The points received from the last sweep, in the order run.
    const std::vector<SweepPoint> &points() const { return points_; }
    // The confidence bars of a curve as they are drawn now, in the chart's coordinates.
    QList<QLineF> barSegments(Curve curve) const;

    QComboBox *parameterBox() const { return parameter_; }
    QLineEdit *fromEdit() const { return from_; }
    QLineEdit *toEdit() const { return to_; }
    QLineEdit *stepEdit() const { return step_; }
    QLineEdit *wordsEdit() const { return words_; }
    QLineEdit *maxErrorsEdit() const { return maxErrors_; }
    QSpinBox *threadsBox() const { return threads_; }
    QComboBox *generatorBox() const { return generator_; }
    QPushButton *runButton() const { return run_; }
    QPushButton *stopButton() const { return stop_; }
    QPushButton *csvButton() const { return csv_; }
    QPushButton *svgButton() const { return svg_; }
    QPushButton *pngButton() const { return png_; }
    QPushButton *exitButton() const { return exit_; }
    QChart *chart() const { return chart_; }
    QChartView *chartView() const { return view_; }
    QLineSeries *series(Curve curve) const { return curve == In ? in_ : out_; }
    QLineSeries *series(TheoryCurve curve) const {
        return curve == InTheory ? inTheory_ : wordBound_;
    }
    QLogValueAxis *probabilityAxis() const { return axisY_; }
    QValueAxis *parameterAxis() const { return axisX_; }
    QTableWidget *table() const { return table_; }
    QLabel *statusLabel() const { return status_; }

    // How the sweep is run: RunSweep unless a test puts a scripted one here.
    std::function<std::vector<SweepPoint>(const ModelState &, const SweepSpec &, Notifier &,
                                          const std::function<bool(const SweepPoint &, int)> &)>
        runSweep;

signals:
    void pointAdded(int index);
    void sweepFinished();

protected:
    void reject() override; // "Выход", the close box and Escape

private:
    // Building the window, in the order of the focus chain.
    QGroupBox *BuildSettings();
    void AddSweepFields(QGroupBox *settings, QFormLayout *form);
    void AddRunControls(QGroupBox *settings, QFormLayout *form);
    void BuildChart();
    void BuildAxes();
    void BuildTable();
    void BuildButtons();
    void LayOut(QGroupBox *settings);
    void ConnectControls(QGroupBox *settings);

    // The fields of a sweep, read in the order the user fills them; nothing, with the message and
    // the field marked, when one is bad.
    void Refuse(QLineEdit *field, const QString &text);
    std::optional<std::array<double, 3>> ReadBounds(const QString &symbol, bool integral);
    std::optional<std::vector<double>> ReadValues(const QString &symbol, bool integral);
    std::optional<std::int32_t> ReadWords();
    std::optional<long long> ReadMaxErrors();
    void RunInThread(std::unique_ptr<ModelState> base, SweepSpec plan);

    // Shows the parameter's current value; a newly chosen parameter also gets its usual range.
    void ParameterChosen(bool newParameter);
    void ClearResults(const std::vector<double> &values);
    void AddPoint(const SweepPoint &point, int index);
    void SweepEnded();
    void FitAxes();
    void ShowTheoryInLegend();
    void SetRunning(bool running);

    GuiServices &services_;
    QComboBox *parameter_;
    QLineEdit *from_, *to_, *step_, *words_, *maxErrors_;
    QSpinBox *threads_;
    QComboBox *generator_; // 0: the model's generator, 1: the research generator
    QPushButton *run_, *stop_, *csv_, *svg_, *png_, *exit_;
    QLabel *current_, *status_;
    QProgressBar *progress_;
    QChart *chart_;
    QChartView *view_;
    QLineSeries *in_, *out_;
    QLineSeries *inTheory_, *wordBound_;
    ConfidenceBars *inBars_, *outBars_;
    QValueAxis *axisX_;
    QLogValueAxis *axisY_;
    QTableWidget *table_;

    std::vector<SweepPoint> points_;
    std::string sweptField_; // the field of points_, kept apart from the combo that may change
    Generator sweptGenerator_ = Generator::Model; // the generator points_ were drawn from
    int plannedPoints_ = 0;
    bool closeWhenEnded_ = false;
    std::atomic<bool> stopRequested_{false};
    std::thread worker_;
};

} // namespace spi::gui

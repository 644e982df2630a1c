#include "gui/windows/curve_window.h"

#include "gui/kit/chart_style.h"
#include "gui/kit/export_files.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/confidence_bars.h"
#include "gui/windows/curve_parameters.h"
#include "io/curve_export.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QMetaObject>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

namespace spi::gui {

namespace {

// The curve's files name the workstation and its version; a window has no command line.
Provenance FromTheWorkstation(Generator generator) {
    Provenance from = ProgramProvenance("spi-workbench");
    from.generator = generator;
    return from;
}

const QColor kInColor(0xC0, 0x00, 0xC0);  // the picture's "До УЗО", a shade darker for a line
const QColor kOutColor(0x00, 0x00, 0xFF); // the picture's "После УЗО"

QLineSeries *MakeCurve(const QString &name, const QColor &color) {
    auto *s = new QLineSeries;
    s->setName(name);
    QPen pen(color, 2);
    s->setPen(pen);
    s->setColor(color);
    s->setPointsVisible(true);
    s->setMarkerSize(6);
    return s;
}

// A curve of theory: dashed in a darker shade of its measured curve's colour, drawn over it, so
// that its dashes show where the two agree; without markers.
QLineSeries *MakeTheoryCurve(const QString &name, const QColor &color, Qt::PenStyle style) {
    auto *s = new QLineSeries;
    s->setName(name);
    QPen pen(color.darker(160), 2.5, style);
    pen.setCapStyle(Qt::FlatCap);
    s->setPen(pen);
    return s;
}

QLineEdit *Field(QWidget *parent, const char *name, const QString &text = {}) {
    QLineEdit *e = MakeField(parent, 16, text);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QPushButton *Button(QWidget *parent, const QString &text, const char *name) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

CurveWindow::CurveWindow(GuiServices &services, QWidget *parent)
    : QDialog(parent), runSweep(RunSweep), services_(services) {
    setObjectName(QStringLiteral("TCurve"));
    setWindowTitle(QStringLiteral("Кривая"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    resize(1100, 760);

    // The widgets are made in the order of the focus chain.
    QGroupBox *settings = BuildSettings();
    BuildChart();
    BuildTable();
    BuildButtons();
    LayOut(settings);
    ConnectControls(settings);

    ParameterChosen(true);
    ClearResults({});
    SetRunning(false);
}

// The sweep's settings, left.
QGroupBox *CurveWindow::BuildSettings() {
    auto *settings = new QGroupBox(QStringLiteral("Расчет кривой"), this);
    auto *form = new QFormLayout(settings);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    AddSweepFields(settings, form);
    AddRunControls(settings, form);
    settings->setFixedWidth(300);
    return settings;
}

void CurveWindow::AddSweepFields(QGroupBox *settings, QFormLayout *form) {
    parameter_ = new QComboBox(settings);
    parameter_->setObjectName(QStringLiteral("ParamBox"));
    for (const CurveParameter &p : kCurveParameters)
        parameter_->addItem(QString::fromUtf8(p.symbol), QString::fromLatin1(p.field));
    form->addRow(QStringLiteral("Параметр:"), parameter_);
    current_ = new QLabel(settings);
    current_->setObjectName(QStringLiteral("CurrentValue"));
    current_->setWordWrap(true);
    form->addRow(QString(), current_);
    from_ = Field(settings, "FromEdit");
    to_ = Field(settings, "ToEdit");
    step_ = Field(settings, "StepEdit");
    form->addRow(QStringLiteral("От:"), from_);
    form->addRow(QStringLiteral("До:"), to_);
    form->addRow(QStringLiteral("Шаг:"), step_);
    words_ = Field(settings, "WordsEdit", QString::number(services_.model.wordCount));
    form->addRow(QStringLiteral("NB в точке:"), words_);
    maxErrors_ = Field(settings, "MaxErrorsEdit");
    maxErrors_->setPlaceholderText(QStringLiteral("не останавливать"));
    maxErrors_->setToolTip(QStringLiteral(
        "Точка заканчивается, как только столько слов после декодирования оказались с ошибкой; "
        "частоты нормируются по фактически обработанным словам. Пусто или 0 — все NB слов."));
    form->addRow(QStringLiteral("Стоп после\nошибок слов:"), maxErrors_);
    threads_ = new QSpinBox(settings);
    threads_->setObjectName(QStringLiteral("ThreadsBox"));
    threads_->setRange(1, std::max(1, QThread::idealThreadCount()));
    threads_->setValue(1);
    threads_->setToolTip(QStringLiteral(
        "Каждый поток ведет свою модель со своим начальным числом; счетчики складываются."));
    form->addRow(QStringLiteral("Потоков:"), threads_);
    generator_ = new QComboBox(settings);
    generator_->setObjectName(QStringLiteral("GeneratorBox"));
    generator_->addItems({QStringLiteral("модели"), QStringLiteral("Philox4x32-10")});
    generator_->setToolTip(QStringLiteral(
        "Датчик модели повторяется через 2^32 чисел. Исследовательский датчик Philox4x32-10 не "
        "повторяется, и при любом числе потоков дает те же счетчики."));
    form->addRow(QStringLiteral("Датчик:"), generator_);
}

void CurveWindow::AddRunControls(QGroupBox *settings, QFormLayout *form) {
    run_ = Button(settings, QStringLiteral("Расчет"), "RunButton");
    stop_ = Button(settings, QStringLiteral("Прервать"), "StopButton");
    auto *runRow = new QHBoxLayout;
    runRow->addWidget(run_);
    runRow->addWidget(stop_);
    form->addRow(runRow);
    progress_ = new QProgressBar(settings);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setFormat(QStringLiteral("%v из %m"));
    form->addRow(progress_);
    status_ = new QLabel(settings);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setWordWrap(true);
    form->addRow(status_);
}

// The chart, right: both curves on a parameter axis and a logarithmic probability axis, with
// their bars, and the theory beside them.
void CurveWindow::BuildChart() {
    chart_ = MakeStyledChart(1.2);
    in_ = MakeCurve(QStringLiteral("Pвх"), kInColor);
    out_ = MakeCurve(QStringLiteral("Pвых"), kOutColor);
    inTheory_ = MakeTheoryCurve(QStringLiteral("Pвх, теория"), kInColor, Qt::DashLine);
    wordBound_ =
        MakeTheoryCurve(QStringLiteral("Pош. слова, граница (теория)"), kOutColor, Qt::DashDotLine);
    for (QLineSeries *s : {in_, out_, inTheory_, wordBound_}) // theory over the measured lines
        chart_->addSeries(s);
    BuildAxes();
    inBars_ = new ConfidenceBars(chart_, in_, axisY_, kInColor.darker(120));
    outBars_ = new ConfidenceBars(chart_, out_, axisY_, kOutColor.darker(120));
    const auto refreshBars = [this] {
        inBars_->Refresh();
        outBars_->Refresh();
    };
    connect(chart_, &QChart::plotAreaChanged, this, refreshBars);
    connect(axisY_, &QLogValueAxis::rangeChanged, this, refreshBars);
    connect(axisX_, &QValueAxis::rangeChanged, this, refreshBars);
    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("Chart1"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(480, 320);
}

void CurveWindow::BuildAxes() {
    axisX_ = new QValueAxis;
    axisX_->setLabelFormat(QStringLiteral("%g"));
    axisX_->setGridLineColor(QColor(0xB0, 0xB8, 0xC8));
    axisY_ = new QLogValueAxis;
    axisY_->setBase(10);
    axisY_->setLabelFormat(QStringLiteral("%.0e"));
    axisY_->setTitleText(QStringLiteral("Вероятность ошибки"));
    axisY_->setGridLineColor(QColor(0xB0, 0xB8, 0xC8));
    axisY_->setMinorTickCount(-1);
    axisY_->setMinorGridLineColor(QColor(0xDC, 0xE2, 0xEC));
    axisY_->setRange(1e-4, 1);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    for (QLineSeries *s : {in_, out_, inTheory_, wordBound_}) {
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }
}

// The points, below.
void CurveWindow::BuildTable() {
    table_ = new QTableWidget(0, ColNote + 1, this);
    table_->setObjectName(QStringLiteral("PointsGrid"));
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(ColNote, QHeaderView::Stretch);
    table_->setMinimumHeight(150);
}

void CurveWindow::BuildButtons() {
    csv_ = Button(this, QStringLiteral("Экспорт CSV"), "CsvButton");
    svg_ = Button(this, QStringLiteral("Экспорт SVG"), "SvgButton");
    png_ = Button(this, QStringLiteral("Экспорт PNG"), "PngButton");
    exit_ = Button(this, QStringLiteral("Выход"), "ExitButton");
}

// The settings and the chart side by side over the table, the two parts divided by a splitter;
// the buttons below.
void CurveWindow::LayOut(QGroupBox *settings) {
    auto *top = new QWidget(this);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(settings, 0, Qt::AlignTop);
    topLayout->addWidget(view_, 1);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(table_);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(csv_);
    buttons->addWidget(svg_);
    buttons->addWidget(png_);
    buttons->addStretch();
    buttons->addWidget(exit_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
}

void CurveWindow::ConnectControls(QGroupBox *settings) {
    connect(parameter_, &QComboBox::currentIndexChanged, this, [this] { ParameterChosen(true); });
    connect(run_, &QPushButton::clicked, this, [this] { StartSweep(); });
    connect(stop_, &QPushButton::clicked, this, [this] { StopSweep(); });
    connect(csv_, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(svg_, &QPushButton::clicked, this, [this] { ExportSvg(); });
    connect(png_, &QPushButton::clicked, this, [this] { ExportPng(); });
    connect(exit_, &QPushButton::clicked, this, &CurveWindow::reject);
    AttachColorMenu(settings, services_, [this](std::int32_t c) { ApplyBackground(this, c); });
}

CurveWindow::~CurveWindow() {
    // The point being run cannot be cut short; the thread must end before the window it reports to.
    stopRequested_ = true;
    if (worker_.joinable())
        worker_.join();
}

int CurveWindow::Run() {
    ApplyBackground(this, services_.window.dialogColor);
    ParameterChosen(false); // the current value may have changed since the last opening
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

QString CurveWindow::field() const {
    return parameter_->currentData().toString();
}

void CurveWindow::ParameterChosen(bool newParameter) {
    const CurveParameter &p = CurveParameterAt(parameter_->currentIndex());
    const ModelState &m = services_.model;
    const double now = p.integral                              ? m.contM
                       : std::string_view(p.field) == "contHp" ? m.contHp
                       : std::string_view(p.field) == "contHc" ? m.contHc
                                                               : m.contQ;
    current_->setText(
        QStringLiteral("%1\nсейчас %2 = %3")
            .arg(QString::fromUtf8(p.meaning), QString::fromUtf8(p.symbol), CurveNumber(now)));
    // The fields hold the last parameter's range, which rarely suits the new one.
    if (newParameter) {
        from_->setText(QString::fromLatin1(p.from));
        to_->setText(QString::fromLatin1(p.to));
        step_->setText(QString::fromLatin1(p.step));
        for (QLineEdit *e : {from_, to_, step_})
            e->setStyleSheet(QString());
    }
}

void CurveWindow::StopSweep() {
    if (!sweepRunning())
        return;
    stopRequested_ = true;
    stop_->setEnabled(false);
    status_->setText(QStringLiteral("Прерывание: расчет закончится после текущей точки."));
}

void CurveWindow::reject() {
    if (sweepRunning()) {
        closeWhenEnded_ = true;
        StopSweep();
        return;
    }
    done(QDialog::Accepted);
}

void CurveWindow::SetRunning(bool running) {
    for (QWidget *w : std::initializer_list<QWidget *>{parameter_, from_, to_, step_, words_,
                                                       maxErrors_, threads_, generator_, run_})
        w->setEnabled(!running);
    stop_->setEnabled(running);
    for (QPushButton *b : {csv_, svg_, png_})
        b->setEnabled(!running && !points_.empty());
}

QList<QLineF> CurveWindow::barSegments(Curve curve) const {
    QList<QLineF> out;
    for (const auto &s : (curve == In ? inBars_ : outBars_)->Segments())
        out.append(s.line);
    return out;
}

bool CurveWindow::ExportCsv() {
    if (points_.empty())
        return false;
    return SaveExport(
        services_, this, QStringLiteral("Экспорт кривой в CSV"), QStringLiteral("curve1"),
        QStringLiteral("Таблица CSV (*.csv)"), QStringLiteral("csv"),
        [this] { return SweepCsv(sweptField_, points_, FromTheWorkstation(sweptGenerator_)); });
}

bool CurveWindow::ExportSvg() {
    if (points_.empty())
        return false;
    return SaveExport(services_, this, QStringLiteral("Экспорт графика в SVG"),
                      QStringLiteral("curve1"), QStringLiteral("Рисунок SVG (*.svg)"),
                      QStringLiteral("svg"), [this] {
                          return SweepSvg(sweptField_, points_, chart_->title().toStdString(),
                                          FromTheWorkstation(sweptGenerator_));
                      });
}

bool CurveWindow::ExportPng() {
    if (points_.empty())
        return false;
    return ExportChartPng(services_, this, view_);
}

} // namespace spi::gui

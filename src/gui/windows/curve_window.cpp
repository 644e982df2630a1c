#include "gui/windows/curve_window.h"

#include "gui/kit/chart_style.h"
#include "gui/kit/export_files.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/confidence_bars.h"
#include "gui/windows/sweep_notifier.h"
#include "io/curve_export.h"
#include "model/text_input.h"
#include "research/sweep_grid.h"

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

struct Parameter {
    const char *field;   // model name
    const char *symbol;  // as the continuous-channel dialog labels it
    const char *meaning; // shown under the choice
    const char *from, *to, *step;
    bool integral;
};

// The continuous-channel parameters a curve can run over, with a range that shows something for
// the default chain.
constexpr Parameter kParameters[] = {
    {"contHp", "Hp", "регулярная составляющая сигнал/помеха", "1", "10", "1", false},
    {"contHc", "Hc", "случайная составляющая сигнал/помеха", "1", "10", "1", false},
    {"contQ", "Q", "скорость замираний", "0.01", "0.1", "0.01", false},
    {"contM", "m", "кратность разнесения", "1", "4", "1", true},
};

const QColor kInColor(0xC0, 0x00, 0xC0);  // the picture's "До УЗО", a shade darker for a line
const QColor kOutColor(0x00, 0x00, 0xFF); // the picture's "После УЗО"

enum Column {
    ColValue,
    ColIn,
    ColInConf,
    ColOut,
    ColOutConf,
    ColWord,
    ColCapacity,
    ColWords,
    ColNote
};

QString Utf8(const std::string &s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A real typed by the user: a decimal point or comma; anything but a finite number is refused
// (unlike the channel dialogs, which read garbage as 0: here that would silently sweep zeros).
std::optional<double> ReadNumber(const QString &text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString Number(double v) {
    return QString::number(v, 'g', 10);
}

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

    // --- The sweep's settings, left ---
    auto *settings = new QGroupBox(QStringLiteral("Расчет кривой"), this);
    auto *form = new QFormLayout(settings);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    parameter_ = new QComboBox(settings);
    parameter_->setObjectName(QStringLiteral("ParamBox"));
    for (const Parameter &p : kParameters)
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
    settings->setFixedWidth(300);

    // --- The chart, right ---
    chart_ = MakeStyledChart(1.2);
    in_ = MakeCurve(QStringLiteral("Pвх"), kInColor);
    out_ = MakeCurve(QStringLiteral("Pвых"), kOutColor);
    chart_->addSeries(in_);
    chart_->addSeries(out_);
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
    for (QLineSeries *s : {in_, out_}) {
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }
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

    // --- The points, below ---
    table_ = new QTableWidget(0, ColNote + 1, this);
    table_->setObjectName(QStringLiteral("PointsGrid"));
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(ColNote, QHeaderView::Stretch);
    table_->setMinimumHeight(150);

    csv_ = Button(this, QStringLiteral("Экспорт CSV"), "CsvButton");
    svg_ = Button(this, QStringLiteral("Экспорт SVG"), "SvgButton");
    png_ = Button(this, QStringLiteral("Экспорт PNG"), "PngButton");
    exit_ = Button(this, QStringLiteral("Выход"), "ExitButton");

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

    connect(parameter_, &QComboBox::currentIndexChanged, this, [this] { ParameterChosen(true); });
    connect(run_, &QPushButton::clicked, this, [this] { StartSweep(); });
    connect(stop_, &QPushButton::clicked, this, [this] { StopSweep(); });
    connect(csv_, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(svg_, &QPushButton::clicked, this, [this] { ExportSvg(); });
    connect(png_, &QPushButton::clicked, this, [this] { ExportPng(); });
    connect(exit_, &QPushButton::clicked, this, &CurveWindow::reject);
    AttachColorMenu(settings, services_, [this](std::int32_t c) { ApplyBackground(this, c); });

    ParameterChosen(true);
    ClearResults({});
    SetRunning(false);
}

CurveWindow::~CurveWindow() {
    // The point being run cannot be cut short; the thread must end before the window it reports to.
    stopRequested_ = true;
    if (worker_.joinable())
        worker_.join();
}

int CurveWindow::Run() {
    ApplyBackground(this, services_.model.dialogColor);
    ParameterChosen(false); // the current value may have changed since the last opening
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

QString CurveWindow::field() const {
    return parameter_->currentData().toString();
}

void CurveWindow::ParameterChosen(bool newParameter) {
    const Parameter &p = kParameters[std::max(0, parameter_->currentIndex())];
    const ModelState &m = services_.model;
    const double now = p.integral                              ? m.contM
                       : std::string_view(p.field) == "contHp" ? m.contHp
                       : std::string_view(p.field) == "contHc" ? m.contHc
                                                               : m.contQ;
    current_->setText(
        QStringLiteral("%1\nсейчас %2 = %3")
            .arg(QString::fromUtf8(p.meaning), QString::fromUtf8(p.symbol), Number(now)));
    // The fields hold the last parameter's range, which rarely suits the new one.
    if (newParameter) {
        from_->setText(QString::fromLatin1(p.from));
        to_->setText(QString::fromLatin1(p.to));
        step_->setText(QString::fromLatin1(p.step));
        for (QLineEdit *e : {from_, to_, step_})
            e->setStyleSheet(QString());
    }
}

bool CurveWindow::StartSweep() {
    if (sweepRunning())
        return false;
    const Parameter &p = kParameters[std::max(0, parameter_->currentIndex())];
    const QString symbol = QString::fromUtf8(p.symbol);
    const auto refuse = [this](QLineEdit *field, const QString &text) {
        services_.notifier.Warning(text.toStdString());
        MarkFieldInvalid(field);
        return false;
    };

    std::optional<double> bounds[3];
    QLineEdit *const boundFields[3] = {from_, to_, step_};
    const char *const boundNames[3] = {"Начальное значение", "Конечное значение", "Шаг"};
    for (int i = 0; i < 3; ++i) {
        bounds[i] = ReadNumber(boundFields[i]->text());
        if (!bounds[i])
            return refuse(
                boundFields[i],
                QStringLiteral("Некорректный ввод! %1 %2 «%3» — не число.")
                    .arg(QString::fromUtf8(boundNames[i]), symbol, boundFields[i]->text()));
        if (p.integral && std::floor(*bounds[i]) != *bounds[i])
            return refuse(
                boundFields[i],
                QStringLiteral("Некорректный ввод! %1 принимает только целые значения (%2: %3).")
                    .arg(symbol, QString::fromUtf8(boundNames[i]), Number(*bounds[i])));
    }
    const double from = *bounds[0], to = *bounds[1], step = *bounds[2];
    if (!(step > 0))
        return refuse(step_,
                      QStringLiteral("Некорректный ввод! Шаг должен быть больше нуля (введено %1).")
                          .arg(Number(step)));
    if (to < from)
        return refuse(to_, QStringLiteral("Некорректный ввод! Конечное значение %1 меньше "
                                          "начального %2.")
                               .arg(Number(to), Number(from)));
    const SweepGrid grid = MakeSweepGrid(from, to, step, kMaxSweepPoints);
    if (grid.problem != SweepGridProblem::None)
        return refuse(step_, QStringLiteral("Слишком много точек: %1 (не более %2). Увеличьте шаг "
                                            "или сузьте диапазон.")
                                 .arg(grid.problem == SweepGridProblem::TooMany
                                          ? Number(grid.count)
                                          : QStringLiteral("без счета"))
                                 .arg(kMaxSweepPoints));
    const std::vector<double> &values = grid.values;

    const std::optional<std::int32_t> words = ParseInteger(words_->text().toStdString());
    if (!words || *words < 1)
        return refuse(words_, QStringLiteral("Некорректный ввод! NB — целое число от 1 до %1, а "
                                             "введено «%2».")
                                  .arg(std::numeric_limits<std::int32_t>::max())
                                  .arg(words_->text()));
    long long maxErrors = 0;
    if (!maxErrors_->text().trimmed().isEmpty()) {
        const std::optional<std::int32_t> n = ParseInteger(maxErrors_->text().toStdString());
        if (!n || *n < 0)
            return refuse(maxErrors_, QStringLiteral("Некорректный ввод! Число ошибочных слов для "
                                                     "остановки — целое число не меньше 0, а "
                                                     "введено «%1».")
                                          .arg(maxErrors_->text()));
        maxErrors = *n;
    }

    SweepSpec plan;
    plan.field = p.field;
    plan.values = values;
    plan.stat2 = true;
    plan.threads = threads_->value();
    plan.options.maxWordErrors = maxErrors;
    // The sweep works on its own copy: the user's model keeps its parameters and its last run.
    auto base = std::make_unique<ModelState>(services_.model);
    base->wordCount = *words;

    sweptField_ = p.field;
    ClearResults(values);
    chart_->setTitle(QStringLiteral("Pвх и Pвых в зависимости от %1").arg(symbol));
    axisX_->setTitleText(symbol);
    stopRequested_ = false;
    SetRunning(true);
    status_->setText(QStringLiteral("Расчет точки 1 из %1…").arg(values.size()));

    auto runner = runSweep ? runSweep : RunSweep;
    worker_ = std::thread([this, runner, base = std::move(base), plan = std::move(plan)] {
        SweepNotifier notifier(this, services_.notifier);
        const auto onPoint = [this](const SweepPoint &point, int index) {
            QMetaObject::invokeMethod(
                this, [this, point, index] { AddPoint(point, index); }, Qt::QueuedConnection);
            return !stopRequested_.load();
        };
        try {
            runner(*base, plan, notifier, onPoint);
        } catch (const std::exception &e) {
            notifier.Error(std::string("Расчет кривой прерван: ") + e.what());
        }
        QMetaObject::invokeMethod(
            this, [this] { SweepEnded(); }, Qt::QueuedConnection);
    });
    return true;
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

void CurveWindow::ClearResults(const std::vector<double> &values) {
    points_.clear();
    plannedPoints_ = static_cast<int>(values.size());
    in_->clear();
    out_->clear();
    inBars_->Clear();
    outBars_->Clear();
    table_->clearContents();
    table_->setRowCount(plannedPoints_);
    table_->setHorizontalHeaderLabels(
        {QString::fromUtf8(kParameters[std::max(0, parameter_->currentIndex())].symbol),
         QStringLiteral("Pвх"), QStringLiteral("± Pвх"), QStringLiteral("Pвых"),
         QStringLiteral("± Pвых"), QStringLiteral("Pош. слова"), QStringLiteral("C"),
         QStringLiteral("Слов"), QStringLiteral("Примечание")});
    for (int r = 0; r < plannedPoints_; ++r)
        table_->setItem(r, ColValue,
                        new QTableWidgetItem(Number(values[static_cast<std::size_t>(r)])));
    progress_->setRange(0, std::max(1, plannedPoints_));
    progress_->setValue(0);

    if (!values.empty()) {
        // The ticks stand on the swept values (every one while ten fit) and the ends have room for
        // a marker.
        const double low = values.front(), high = values.back();
        const double step = values.size() > 1 ? values[1] - values[0] : 1.0;
        const double pad =
            values.size() > 1 ? (high - low) * 0.04 : std::max(std::abs(low) * 0.1, 0.5);
        axisX_->setRange(low - pad, high + pad);
        axisX_->setTickType(QValueAxis::TicksDynamic);
        axisX_->setTickAnchor(low);
        axisX_->setTickInterval(step * std::ceil(static_cast<double>(values.size()) / 10.0));
    }
    FitAxes();
}

void CurveWindow::AddPoint(const SweepPoint &point, int index) {
    points_.push_back(point);
    if (index < 0 || index >= table_->rowCount()) {
        index = table_->rowCount();
        table_->setRowCount(index + 1);
    }
    const auto cell = [this, index](int column, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setTextAlignment(column == ColNote ? Qt::AlignLeft | Qt::AlignVCenter
                                                 : Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(index, column, item);
    };
    cell(ColValue, Number(point.value));
    if (point.completed) {
        cell(ColIn, QString::number(point.pErrIn, 'e', 3));
        cell(ColInConf, QString::number(point.pErrInConf, 'e', 2));
        cell(ColOut, QString::number(point.pErrOut, 'e', 3));
        cell(ColOutConf, QString::number(point.pErrOutConf, 'e', 2));
        cell(ColWord, QString::number(point.wordErrProbAfter, 'e', 3));
        cell(ColCapacity, QString::number(point.capacityNoCoder, 'f', 4));
        cell(ColWords, QString::number(point.words));
        const auto plot = [](QLineSeries *s, ConfidenceBars *bars, double x, double p, double h) {
            // Zero has no place on a logarithmic axis; the table still shows it.
            if (!(p > 0))
                return;
            s->append(x, p);
            bars->Add(x, p - h, p + h);
        };
        plot(in_, inBars_, point.value, point.pErrIn, point.pErrInConf);
        plot(out_, outBars_, point.value, point.pErrOut, point.pErrOutConf);
        if (!(point.pErrIn > 0) || !(point.pErrOut > 0))
            cell(ColNote, QStringLiteral("нулевая вероятность не показана на графике"));
    } else {
        cell(ColNote,
             point.message.empty() ? QStringLiteral("точка не рассчитана") : Utf8(point.message));
        for (int c = 0; c < table_->columnCount(); ++c)
            if (auto *item = table_->item(index, c))
                item->setForeground(QColor(0x90, 0x30, 0x30));
    }
    table_->scrollToItem(table_->item(index, ColValue));
    FitAxes();
    progress_->setValue(static_cast<int>(points_.size()));
    if (!stopRequested_ && static_cast<int>(points_.size()) < plannedPoints_)
        status_->setText(
            QStringLiteral("Расчет точки %1 из %2…").arg(points_.size() + 1).arg(plannedPoints_));
    emit pointAdded(index);
}

void CurveWindow::SweepEnded() {
    if (worker_.joinable())
        worker_.join();
    const int count = static_cast<int>(points_.size());
    const auto refused = std::count_if(points_.begin(), points_.end(),
                                       [](const SweepPoint &p) { return !p.completed; });
    QString text =
        count < plannedPoints_
            ? QStringLiteral("Прервано: рассчитано точек %1 из %2.").arg(count).arg(plannedPoints_)
            : QStringLiteral("Готово, рассчитано точек: %1.").arg(count);
    if (refused > 0)
        text += QStringLiteral(" Не рассчитано: %1 (см. примечания в таблице).").arg(refused);
    status_->setText(text);
    SetRunning(false);
    emit sweepFinished();
    if (closeWhenEnded_) {
        closeWhenEnded_ = false;
        done(QDialog::Accepted);
    }
}

void CurveWindow::FitAxes() {
    // Whole decades around every plotted point and its bar; a lower end at or below zero (a
    // half-width as large as P) would pull the axis down without end, so it counts as P/10.
    double low = std::numeric_limits<double>::infinity(), high = 0;
    for (const SweepPoint &p : points_) {
        if (!p.completed)
            continue;
        for (const auto &[value, half] :
             {std::pair(p.pErrIn, p.pErrInConf), std::pair(p.pErrOut, p.pErrOutConf)}) {
            if (!(value > 0))
                continue;
            low = std::min(low, std::max(value - half, value / 10));
            high = std::max(high, value + half);
        }
    }
    if (high > 0) {
        low = std::pow(10.0, std::floor(std::log10(low)));
        high = std::min(1.0, std::pow(10.0, std::ceil(std::log10(high))));
        if (!(low < high))
            low = high / 10;
    } else {
        low = 1e-4;
        high = 1;
    }
    // The axis puts its labels from the decade above its lower end, reckoned in floating point:
    // a lower end of exactly 10^-2 may come out a hair above -2 and lose its label.
    axisY_->setRange(low * 0.9999, high * 1.0001);
}

void CurveWindow::SetRunning(bool running) {
    for (QWidget *w : std::initializer_list<QWidget *>{parameter_, from_, to_, step_, words_,
                                                       maxErrors_, threads_, run_})
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
    return SaveExport(services_, this, QStringLiteral("Экспорт кривой в CSV"),
                      QStringLiteral("curve1"), QStringLiteral("Таблица CSV (*.csv)"),
                      QStringLiteral("csv"), [this] { return SweepCsv(sweptField_, points_); });
}

bool CurveWindow::ExportSvg() {
    if (points_.empty())
        return false;
    return SaveExport(
        services_, this, QStringLiteral("Экспорт графика в SVG"), QStringLiteral("curve1"),
        QStringLiteral("Рисунок SVG (*.svg)"), QStringLiteral("svg"),
        [this] { return SweepSvg(sweptField_, points_, chart_->title().toStdString()); });
}

bool CurveWindow::ExportPng() {
    if (points_.empty())
        return false;
    return ExportChartPng(services_, this, view_);
}

} // namespace spi::gui

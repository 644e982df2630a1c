// The sweep of the "Кривая" window: the fields read into a plan, the thread that runs it on a copy
// of the model, and its points shown as they come.
#include "gui/windows/curve_window.h"

#include "gui/kit/ui_kit.h"
#include "gui/windows/confidence_bars.h"
#include "gui/windows/curve_parameters.h"
#include "gui/windows/sweep_notifier.h"
#include "model/model_fields.h"
#include "model/text_input.h"
#include "research/sweep_grid.h"

#include <QChart>
#include <QComboBox>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <tuple>

namespace spi::gui {

namespace {

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

// The most draws a point of the sweep takes: the swept field set on a copy of the model, as each
// point sets it before its channel and coder steps.
RunDraws LargestPointDraws(const ModelState &base, const SweepSpec &plan) {
    RunDraws largest;
    auto point = std::make_unique<ModelState>(base);
    for (const double v : plan.values) {
        *point = base;
        std::string why;
        if (!SetModelField(*point, plan.field + "=" + QString::number(v, 'g', 17).toStdString(),
                           &why))
            continue;
        const RunDraws d =
            PlannedRunDraws(*point, plan.stat2, plan.threads, plan.options.maxWordErrors);
        if (d.draws > largest.draws)
            largest = d;
    }
    return largest;
}

} // namespace

bool CurveWindow::StartSweep() {
    if (sweepRunning())
        return false;
    const CurveParameter &p = CurveParameterAt(parameter_->currentIndex());
    const QString symbol = QString::fromUtf8(p.symbol);
    const std::optional<std::vector<double>> values = ReadValues(symbol, p.integral);
    if (!values)
        return false;
    const std::optional<std::int32_t> words = ReadWords();
    if (!words)
        return false;
    const std::optional<long long> maxErrors = ReadMaxErrors();
    if (!maxErrors)
        return false;

    SweepSpec plan;
    plan.field = p.field;
    plan.values = *values;
    plan.stat2 = true;
    plan.threads = threads_->value();
    plan.options.maxWordErrors = *maxErrors;
    plan.options.generator = generator_->currentIndex() == 1 ? Generator::Philox : Generator::Model;
    // The sweep works on its own copy: the user's model keeps its parameters and its last run.
    auto base = std::make_unique<ModelState>(services_.model);
    base->wordCount = *words;
    // The research generator has no cycle a sweep could reach.
    if (plan.options.generator == Generator::Model &&
        !ConfirmGeneratorCycle(services_, this, LargestPointDraws(*base, plan)))
        return false;

    sweptField_ = p.field;
    sweptGenerator_ = plan.options.generator;
    ClearResults(*values);
    chart_->setTitle(QStringLiteral("Pвх и Pвых в зависимости от %1").arg(symbol));
    axisX_->setTitleText(symbol);
    stopRequested_ = false;
    SetRunning(true);
    status_->setText(QStringLiteral("Расчет точки 1 из %1…").arg(values->size()));
    RunInThread(std::move(base), std::move(plan));
    return true;
}

void CurveWindow::Refuse(QLineEdit *field, const QString &text) {
    services_.notifier.Warning(text.toStdString());
    MarkFieldInvalid(field);
}

std::optional<std::array<double, 3>> CurveWindow::ReadBounds(const QString &symbol, bool integral) {
    std::array<double, 3> bounds{};
    QLineEdit *const boundFields[3] = {from_, to_, step_};
    const char *const boundNames[3] = {"Начальное значение", "Конечное значение", "Шаг"};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::optional<double> bound = ReadNumber(boundFields[i]->text());
        if (!bound) {
            Refuse(boundFields[i],
                   QStringLiteral("Некорректный ввод! %1 %2 «%3» — не число.")
                       .arg(QString::fromUtf8(boundNames[i]), symbol, boundFields[i]->text()));
            return std::nullopt;
        }
        if (integral && std::floor(*bound) != *bound) {
            Refuse(boundFields[i],
                   QStringLiteral("Некорректный ввод! %1 принимает только целые значения (%2: %3).")
                       .arg(symbol, QString::fromUtf8(boundNames[i]), CurveNumber(*bound)));
            return std::nullopt;
        }
        bounds[i] = *bound;
    }
    return bounds;
}

std::optional<std::vector<double>> CurveWindow::ReadValues(const QString &symbol, bool integral) {
    const std::optional<std::array<double, 3>> bounds = ReadBounds(symbol, integral);
    if (!bounds)
        return std::nullopt;
    const auto [from, to, step] = *bounds;
    if (!(step > 0)) {
        Refuse(step_, QStringLiteral("Некорректный ввод! Шаг должен быть больше нуля (введено %1).")
                          .arg(CurveNumber(step)));
        return std::nullopt;
    }
    if (to < from) {
        Refuse(to_, QStringLiteral("Некорректный ввод! Конечное значение %1 меньше "
                                   "начального %2.")
                        .arg(CurveNumber(to), CurveNumber(from)));
        return std::nullopt;
    }
    const SweepGrid grid = MakeSweepGrid(from, to, step, kMaxSweepPoints);
    if (grid.problem != SweepGridProblem::None) {
        Refuse(step_,
               QStringLiteral("Слишком много точек: %1 (не более %2). Увеличьте шаг "
                              "или сузьте диапазон.")
                   .arg(grid.problem == SweepGridProblem::TooMany ? CurveNumber(grid.count)
                                                                  : QStringLiteral("без счета"))
                   .arg(kMaxSweepPoints));
        return std::nullopt;
    }
    return grid.values;
}

std::optional<std::int32_t> CurveWindow::ReadWords() {
    const std::optional<std::int32_t> words = ParseInteger(words_->text().toStdString());
    if (!words || *words < 1) {
        Refuse(words_, QStringLiteral("Некорректный ввод! NB — целое число от 1 до %1, а "
                                      "введено «%2».")
                           .arg(std::numeric_limits<std::int32_t>::max())
                           .arg(words_->text()));
        return std::nullopt;
    }
    return words;
}

// An empty field is no rule (0).
std::optional<long long> CurveWindow::ReadMaxErrors() {
    if (maxErrors_->text().trimmed().isEmpty())
        return 0;
    const std::optional<std::int32_t> n = ParseInteger(maxErrors_->text().toStdString());
    if (!n || *n < 0) {
        Refuse(maxErrors_, QStringLiteral("Некорректный ввод! Число ошибочных слов для "
                                          "остановки — целое число не меньше 0, а "
                                          "введено «%1».")
                               .arg(maxErrors_->text()));
        return std::nullopt;
    }
    return *n;
}

void CurveWindow::RunInThread(std::unique_ptr<ModelState> base, SweepSpec plan) {
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
}

void CurveWindow::ClearResults(const std::vector<double> &values) {
    points_.clear();
    plannedPoints_ = static_cast<int>(values.size());
    for (QLineSeries *s : {in_, out_, inTheory_, wordBound_})
        s->clear();
    inBars_->Clear();
    outBars_->Clear();
    table_->clearContents();
    table_->setRowCount(plannedPoints_);
    table_->setHorizontalHeaderLabels(
        {QString::fromUtf8(CurveParameterAt(parameter_->currentIndex()).symbol),
         QStringLiteral("Pвх"), QStringLiteral("± Pвх"), QStringLiteral("Pвых"),
         QStringLiteral("± Pвых"), QStringLiteral("Pош. слова"), QStringLiteral("C"),
         QStringLiteral("Слов"), QStringLiteral("Pвх, теория"),
         QStringLiteral("Pош. слова, граница"), QStringLiteral("Примечание")});
    for (int r = 0; r < plannedPoints_; ++r)
        table_->setItem(r, ColValue,
                        new QTableWidgetItem(CurveNumber(values[static_cast<std::size_t>(r)])));
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
    ShowTheoryInLegend();
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
    cell(ColValue, CurveNumber(point.value));
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
        // Theory where it is given; a gap in it is bridged by the line.
        for (const auto &[column, curve, value] :
             {std::tuple(ColTheoryIn, inTheory_, point.theoryPErrIn),
              std::tuple(ColWordBound, wordBound_, point.theoryWordErrBound)}) {
            if (!value)
                continue;
            cell(column, QString::number(*value, 'e', 3));
            if (*value > 0)
                curve->append(point.value, *value);
        }
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
    ShowTheoryInLegend();
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
    // Theory widens the axis to its values, downwards by three decades at most: a bound of 1e-15
    // would leave the measured points crowded at the top.
    const double deepest = high > 0 ? low / 1000 : 0;
    for (const QLineSeries *s : {inTheory_, wordBound_})
        for (const QPointF &at : s->points()) {
            low = std::min(low, std::max(at.y(), deepest));
            high = std::max(high, at.y());
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

// A curve of theory is named in the legend once it has a point.
void CurveWindow::ShowTheoryInLegend() {
    bool changed = false;
    for (QLineSeries *s : {inTheory_, wordBound_})
        for (QLegendMarker *marker : chart_->legend()->markers(s))
            if (marker->isVisible() != (s->count() > 0)) {
                marker->setVisible(s->count() > 0);
                changed = true;
            }
    // The legend does not lay itself out again when a marker is shown or hidden.
    if (changed && chart_->legend()->layout())
        chart_->legend()->layout()->invalidate();
}

} // namespace spi::gui

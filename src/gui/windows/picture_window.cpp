#include "gui/windows/picture_window.h"

#include "gui/kit/chart_style.h"
#include "gui/kit/export_files.h"
#include "gui/kit/ui_kit.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScatterSeries>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <array>

namespace spi::gui {

namespace {

const QColor kBeforeColor(0xFF, 0x00, 0xFF); // fuchsia
const QColor kAfterColor(0x00, 0x00, 0xFF);  // blue
// The marks are drawn in a dark shade of their bars' colour: readable on the light background and
// still telling which bar a number belongs to where bars are too low to see.
const QColor kBeforeMarkColor(0x80, 0x00, 0x80);
const QColor kAfterMarkColor(0x00, 0x00, 0x80);
// The theory's points: a green apart from both bars' colours, ringed darker to stand out on them.
const QColor kTheoryColor(0x00, 0xB0, 0x40);
constexpr qreal kTheoryMarkerSize = 9;

constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 30;
constexpr int kGroupWidth = 110;
constexpr int kGroupHeight = 80;
constexpr int kRangeTop = 8;
constexpr int kRangeHeight = 134;
// "Теория" stands under "Назад", where the window has room at any of its sizes.
constexpr int kTheoryBoxTop = 120;
constexpr int kTheoryBoxHeight = 22;
// The chart ends this far left of the window's right edge, clear of the groups "Кратности" and
// "Метки".
constexpr int kControlsMargin = 120;

QBarSet *MakeSet(const QString &title, const char *name, const QColor &color) {
    auto *set = new QBarSet(title);
    set->setObjectName(QString::fromLatin1(name));
    set->setColor(color);
    set->setBorderColor(color.darker(140));
    return set;
}

const QString kNoRoomTip =
    QStringLiteral("Метки не помещаются над столбцами: расширьте окно или увеличьте масштаб "
                   "(колесо мыши над рисунком или поля «от» и «до» в группе «Кратности»).");

} // namespace

QString FormatMark(double value) {
    QString text = QString::number(value, 'f', 3);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

PictureWindow::PictureWindow(GuiServices &services, QWidget *parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("TPicture"));
    setWindowTitle(QStringLiteral("Рисунок"));
    setMinimumSize(600, 480);
    resize(860, 580);

    chart_ = MakeStyledChart(1.4);
    chart_->setTitle(QStringLiteral("Результаты испытаний"));
    chart_->legend()->setVisible(true);

    before_ = MakeSet(QStringLiteral("До УЗО"), "Series1", kBeforeColor);
    after_ = MakeSet(QStringLiteral("После УЗО"), "Series2", kAfterColor);
    series_ = new QBarSeries;
    series_->append(before_);
    series_->append(after_);
    series_->setBarWidth(kBarWidth);
    // The chart's own value labels have one switch and one number format for both sets of the
    // series; the marks are items of the chart instead (PlaceMarks), one switch per distribution.
    series_->setLabelsVisible(false);
    chart_->addSeries(series_);

    axisX_ = new QValueAxis;
    axisX_->setTitleText(QStringLiteral("Кратность"));
    axisX_->setTickType(QValueAxis::TicksDynamic);
    axisX_->setTickAnchor(0);
    axisX_->setTickInterval(1);
    axisX_->setLabelFormat(QStringLiteral("%d"));
    axisX_->setGridLineVisible(false);
    axisY_ = new QValueAxis;
    axisY_->setLabelFormat(QStringLiteral("%g"));
    axisY_->setGridLineColor(QColor(0xB0, 0xB8, 0xC8));
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    series_->attachAxis(axisX_);
    series_->attachAxis(axisY_);

    AddTheory();

    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("Chart1"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setFrameShape(QFrame::NoFrame);

    group_ = MakeMarksGroup();
    const RangeFields range = MakeRangeFields(this);
    rangeGroup_ = range.group;
    from_ = range.from;
    to_ = range.to;
    reset_ = range.reset;

    print_ = new QPushButton(QStringLiteral("Печать"), this);
    print_->setObjectName(QStringLiteral("BitBtn2"));
    back_ = new QPushButton(QStringLiteral("Назад"), this);
    back_->setObjectName(QStringLiteral("BitBtn1"));
    png_ = new QPushButton(QStringLiteral("PNG"), this);
    png_->setObjectName(QStringLiteral("SavePng"));
    png_->setToolTip(QStringLiteral("Сохранить рисунок как PNG"));

    connect(beforeMarks_, &QCheckBox::toggled, this, [this] { ShowMarks(); });
    connect(afterMarks_, &QCheckBox::toggled, this, [this] { ShowMarks(); });
    connect(from_, &QSpinBox::valueChanged, this, [this](int v) {
        SetRange({v, std::max(v, to_->value())});
    });
    connect(to_, &QSpinBox::valueChanged, this, [this](int v) {
        SetRange({std::min(from_->value(), v), v});
    });
    connect(reset_, &QPushButton::clicked, this, [this] { SetRange({0, Highest()}); });
    view_->viewport()->installEventFilter(this);
    connect(print_, &QPushButton::clicked, this, [this] { Print(); });
    connect(png_, &QPushButton::clicked, this, [this] { ExportChartPng(services_, this, view_); });
    connect(back_, &QPushButton::clicked, this, &QDialog::accept);
    connect(chart_, &QChart::plotAreaChanged, this, [this] { PlaceMarks(); });
    AttachColorMenu(this, services_, [this](std::int32_t c) { ApplyBackground(this, c); });

    PlaceControls();
}

// The theory's points over the "До УЗО" bars, and "Теория", which shows and hides them.
void PictureWindow::AddTheory() {
    theory_ = new QScatterSeries;
    theory_->setObjectName(QStringLiteral("Series3"));
    theory_->setName(QStringLiteral("Теория"));
    theory_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    theory_->setMarkerSize(kTheoryMarkerSize);
    theory_->setColor(kTheoryColor);
    theory_->setBorderColor(kTheoryColor.darker(200));
    chart_->addSeries(theory_);
    theory_->attachAxis(axisX_);
    theory_->attachAxis(axisY_);
    theoryBox_ = new QCheckBox(QStringLiteral("Теория"), this);
    theoryBox_->setObjectName(QStringLiteral("TheoryBox"));
    theoryBox_->setChecked(true);
    connect(theoryBox_, &QCheckBox::toggled, this, [this](bool on) {
        theory_->setVisible(on && theoryBox_->isEnabled());
        PlaceMarks();
    });
}

QGroupBox *PictureWindow::MakeMarksGroup() {
    auto *group = new QGroupBox(QStringLiteral("Метки"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 4, 2, 4);
    layout->setSpacing(2);
    beforeMarks_ = new QCheckBox(QStringLiteral("До УЗО"), group);
    beforeMarks_->setObjectName(QStringLiteral("CheckBox1"));
    afterMarks_ = new QCheckBox(QStringLiteral("После УЗО"), group);
    afterMarks_->setObjectName(QStringLiteral("CheckBox2"));
    beforeMarks_->setChecked(true);
    afterMarks_->setChecked(true);
    noRoom_ = new QLabel(QStringLiteral("не помещаются"), group);
    noRoom_->setObjectName(QStringLiteral("NoRoom"));
    noRoom_->setToolTip(kNoRoomTip);
    QFont small = noRoom_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    small.setItalic(true);
    noRoom_->setFont(small);
    // The check boxes stay where they are whether or not the note shows.
    QSizePolicy keep = noRoom_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    noRoom_->setSizePolicy(keep);
    noRoom_->hide();
    layout->addWidget(beforeMarks_);
    layout->addWidget(afterMarks_);
    layout->addWidget(noRoom_);
    return group;
}

const QList<QGraphicsSimpleTextItem *> &PictureWindow::marks(const QBarSet *set) const {
    return set == before_ ? beforeLabels_ : afterLabels_;
}

void PictureWindow::ShowFor(int rows) {
    rows = std::clamp(rows, 0, kMaxWord + 1);
    QList<qreal> before, after;
    for (int i = 0; i < rows; ++i) {
        before.append(services_.model.multBefore[static_cast<std::size_t>(i)]);
        after.append(services_.model.multAfter[static_cast<std::size_t>(i)]);
    }
    before_->remove(0, before_->count());
    after_->remove(0, after_->count());
    before_->append(before);
    after_->append(after);

    const auto makeMarks = [this](QList<QGraphicsSimpleTextItem *> &marks,
                                  const QList<qreal> &values, const QColor &color, bool visible) {
        qDeleteAll(marks);
        marks.clear();
        QFont font = chart_->font();
        font.setPointSizeF(font.pointSizeF() * 0.9);
        for (const qreal v : values) {
            auto *mark = new QGraphicsSimpleTextItem(FormatMark(v), chart_);
            mark->setBrush(color);
            mark->setFont(font);
            mark->setZValue(100);
            mark->setVisible(visible);
            marks.append(mark);
        }
    };
    makeMarks(beforeLabels_, before, kBeforeMarkColor, beforeMarks_->isChecked());
    makeMarks(afterLabels_, after, kAfterMarkColor, afterMarks_->isChecked());
    FillTheory(rows);

    FitAxes();
}

void PictureWindow::FillTheory(int rows) {
    const RunTheory &t = services_.model.theory;
    QList<QPointF> points;
    // Each point at the middle of the "До УЗО" bar of its multiplicity, the left bar of two.
    for (int i = 0; i < rows && i < static_cast<int>(t.multBefore.size()); ++i)
        points.append({i - kBarWidth / 4, t.multBefore[static_cast<std::size_t>(i)]});
    theory_->replace(points);
    const bool present = !t.multBefore.empty();
    theoryBox_->setEnabled(present);
    theoryBox_->setToolTip(
        present ? QStringLiteral("Точное распределение числа ошибок в слове до декодирования")
                : QStringLiteral("Теория: нет — ") + QString::fromStdString(t.theoryAbsent));
    theory_->setVisible(present && theoryBox_->isChecked());
}

int PictureWindow::Run(int rows) {
    ShowFor(rows);
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

int PictureWindow::Highest() const {
    return std::max(before_->count() - 1, 0);
}

void PictureWindow::FitAxes() {
    const int rows = before_->count();
    qreal highest = 0;
    for (int i = 0; i < rows; ++i)
        highest = std::max({highest, before_->at(i), after_->at(i)});
    for (const QPointF &p : theory_->points())
        highest = std::max(highest, p.y());
    // Head room above the highest bar for its mark. The bars of the whole table decide, so that
    // zooming leaves the heights comparable.
    axisY_->setRange(0, highest > 0 ? highest * 1.15 : 1.0);
    axisY_->applyNiceNumbers();
    for (QSpinBox *box : {from_, to_}) {
        const QSignalBlocker quiet(box);
        box->setRange(0, Highest());
    }
    SetRange({0, Highest()});
}

void PictureWindow::SetRange(MultRange range) {
    range_ = ClampRange(range, Highest());
    axisX_->setRange(range_.first - 0.5, range_.last + 0.5);
    for (const auto &[box, value] : {std::pair{from_, range_.first}, {to_, range_.last}}) {
        const QSignalBlocker quiet(box);
        box->setValue(value);
    }
    PlaceMarks();
}

void PictureWindow::PlaceMarks() {
    const QRectF plot = chart_->plotArea();
    const int rows = before_->count();
    if (plot.isEmpty() || rows == 0 || beforeLabels_.isEmpty()) {
        ShowMarks();
        return;
    }
    const qreal pixelsPerUnit = plot.width() / (axisX_->max() - axisX_->min());

    const QFontMetricsF axisMetrics(axisX_->labelsFont());
    const int step =
        LabelStep(pixelsPerUnit, axisMetrics.horizontalAdvance(QString::number(rows - 1)) + 12);
    if (axisX_->tickInterval() != step)
        axisX_->setTickInterval(step);

    // Only the marks in view compete for room: zooming in on short numbers may let them stand
    // level.
    qreal widest = 0;
    const qreal height = beforeLabels_.front()->boundingRect().height();
    for (const auto *list : {&beforeLabels_, &afterLabels_})
        for (int i = range_.first; i <= range_.last && i < list->size(); ++i)
            widest = std::max(widest, list->at(i)->boundingRect().width());
    fit_ = FitMarks(pixelsPerUnit, {widest, height});
    ShowMarks();
    if (fit_ == MarkFit::None)
        return;

    const std::array<std::pair<QBarSet *, QList<QGraphicsSimpleTextItem *> *>, 2> sets{
        {{before_, &beforeLabels_}, {after_, &afterLabels_}}};
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const auto &[set, list] = sets[s];
        for (int i = range_.first; i <= range_.last && i < list->size(); ++i) {
            const qreal x = i - kBarWidth / 2 + (static_cast<qreal>(s) + 0.5) * kBarWidth / 2;
            QPointF top = chart_->mapToPosition(QPointF(x, set->at(i)), series_);
            QGraphicsSimpleTextItem *mark = list->at(i);
            const QRectF box = mark->boundingRect();
            if (s == 0)
                top.setY(ClearOfTheory(i, top.y(),
                                       fit_ == MarkFit::Upright ? box.width() : box.height()));
            if (fit_ == MarkFit::Upright) {
                mark->setRotation(-90);
                mark->setPos(top.x() - box.height() / 2, top.y() - 2);
            } else {
                mark->setRotation(0);
                mark->setPos(top.x() - box.width() / 2, top.y() - box.height() - 1);
            }
        }
    }
}

qreal PictureWindow::ClearOfTheory(int i, qreal foot, qreal extent) const {
    if (!theory_->isVisible() || i >= theory_->count())
        return foot;
    const qreal middle = chart_->mapToPosition(theory_->at(i), series_).y();
    const qreal radius = kTheoryMarkerSize / 2 + 1;
    const bool covered = middle + radius > foot - extent - 1 && middle - radius < foot;
    return covered ? std::min(foot, middle - radius) : foot;
}

void PictureWindow::ShowMarks() {
    const bool room = fit_ != MarkFit::None;
    for (const auto &[box, list] :
         {std::pair{beforeMarks_, &beforeLabels_}, {afterMarks_, &afterLabels_}}) {
        const bool on = room && box->isChecked();
        for (int i = 0; i < list->size(); ++i)
            list->at(i)->setVisible(on && i >= range_.first && i <= range_.last);
        box->setToolTip(room ? QString() : kNoRoomTip);
    }
    noRoom_->setVisible(!room);
}

bool PictureWindow::Print() {
    // The page as the printer set-up left it: the chart is scaled to fit either orientation.
    QPrinter &printer = SessionPrinter(services_);
    printer.setDocName(chart_->title());
    QPrintDialog dialog(&printer, this);
    const int answer = services_.execDialog ? services_.execDialog(dialog) : dialog.exec();
    if (answer != QDialog::Accepted)
        return false;

    QPainter painter;
    if (!painter.begin(&printer)) {
        services_.notifier.Error("Не удалось начать печать рисунка.");
        return false;
    }
    // The chart's scene drawn straight onto the printer: lines and texts stay vector shapes at the
    // printer's resolution. The chart keeps its proportions and stands centred at the page top.
    const QRectF page(painter.viewport());
    const QRectF source = chart_->sceneBoundingRect();
    const QSizeF size = source.size().scaled(page.size(), Qt::KeepAspectRatio);
    const QRectF target(QPointF(page.left() + (page.width() - size.width()) / 2, page.top()), size);
    chart_->scene()->render(&painter, target, source, Qt::IgnoreAspectRatio);
    painter.end();
    return true;
}

void PictureWindow::PlaceControls() {
    // The positions are reckoned from the window's outer size, frame included.
    const QSize outer = frameGeometry().size();
    const int w = outer.width();
    const int h = outer.height();
    back_->setGeometry(w - 100, h - 160, kButtonWidth, kButtonHeight);
    theoryBox_->setGeometry(w - 100, h - kTheoryBoxTop, kGroupWidth - 15, kTheoryBoxHeight);
    print_->setGeometry(w - 100, h - 160 - 50, kButtonWidth, kButtonHeight);
    png_->setGeometry(w - 100, h - 160 - 100, kButtonWidth, kButtonHeight);
    group_->setGeometry(w - 115, 150, kGroupWidth, kGroupHeight);
    rangeGroup_->setGeometry(w - 115, kRangeTop, kGroupWidth, kRangeHeight);
    view_->setGeometry(0, 0, std::max(0, width() - kControlsMargin), height());
}

void PictureWindow::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    PlaceControls();
}

void PictureWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    PlaceControls();
    PlaceMarks();
}

bool PictureWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched != view_->viewport() || event->type() != QEvent::Wheel)
        return QDialog::eventFilter(watched, event);
    const auto *wheel = static_cast<QWheelEvent *>(event);
    const double notches = wheel->angleDelta().y() / 120.0;
    if (notches == 0 || before_->count() == 0)
        return true;
    const QPointF inChart = chart_->mapFromScene(view_->mapToScene(wheel->position().toPoint()));
    const double at = chart_->mapToValue(inChart, series_).x();
    SetRange(ZoomAround(range_, Highest(), {at, notches}));
    return true;
}

} // namespace spi::gui

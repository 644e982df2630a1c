#include "report/ui/picture_window.h"

#include "report/ui/curve_window.h"

#include "app/ui_kit.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QLinearGradient>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>

namespace spi::gui {

namespace {

// The share of a multiplicity's slot taken by its two bars together.
constexpr qreal kBarWidth = 0.8;

const QColor kBeforeColor(0xFF, 0x00, 0xFF); // fuchsia
const QColor kAfterColor(0x00, 0x00, 0xFF);  // blue
// The marks are drawn in a dark shade of their bars' colour: readable on the light background and
// still telling which bar a number belongs to where bars are too low to see.
const QColor kBeforeMarkColor(0x80, 0x00, 0x80);
const QColor kAfterMarkColor(0x00, 0x00, 0x80);

constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 30;
constexpr int kGroupWidth = 110;
constexpr int kGroupHeight = 80;
// The chart ends this far left of the window's right edge, clear of the group "Метки".
constexpr int kControlsMargin = 120;

QBarSet *MakeSet(const QString &title, const char *name, const QColor &color) {
    auto *set = new QBarSet(title);
    set->setObjectName(QString::fromLatin1(name));
    set->setColor(color);
    set->setBorderColor(color.darker(140));
    return set;
}

// The step of the multiplicity labels: 1 while the numbers fit side by side, otherwise the
// smallest of 2, 5, 10, 20, ... that leaves room for the widest number.
int LabelStep(qreal pixelsPerUnit, qreal labelWidth) {
    static constexpr std::array<int, 10> kSteps{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    for (const int step : kSteps)
        if (step * pixelsPerUnit >= labelWidth)
            return step;
    return kSteps.back();
}

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

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("Результаты испытаний"));
    QFont titleFont = chart_->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    chart_->setTitleFont(titleFont);
    chart_->setTitleBrush(QColor(0x20, 0x20, 0x40));
    // The gradient follows the chart's size: it is given in the background's own box.
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
    gradient.setColorAt(1.0, QColor(0xC8, 0xD8, 0xEE));
    chart_->setBackgroundBrush(gradient);
    chart_->setBackgroundRoundness(0);
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    chart_->legend()->setVisible(true);
    chart_->legend()->setAlignment(Qt::AlignTop);

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

    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("Chart1"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setFrameShape(QFrame::NoFrame);

    group_ = new QGroupBox(QStringLiteral("Метки"), this);
    group_->setObjectName(QStringLiteral("GroupBox1"));
    auto *groupLayout = new QVBoxLayout(group_);
    groupLayout->setContentsMargins(6, 4, 2, 4);
    groupLayout->setSpacing(2);
    beforeMarks_ = new QCheckBox(QStringLiteral("До УЗО"), group_);
    beforeMarks_->setObjectName(QStringLiteral("CheckBox1"));
    afterMarks_ = new QCheckBox(QStringLiteral("После УЗО"), group_);
    afterMarks_->setObjectName(QStringLiteral("CheckBox2"));
    beforeMarks_->setChecked(true);
    afterMarks_->setChecked(true);
    groupLayout->addWidget(beforeMarks_);
    groupLayout->addWidget(afterMarks_);

    print_ = new QPushButton(QStringLiteral("Печать"), this);
    print_->setObjectName(QStringLiteral("BitBtn2"));
    back_ = new QPushButton(QStringLiteral("Назад"), this);
    back_->setObjectName(QStringLiteral("BitBtn1"));
    png_ = new QPushButton(QStringLiteral("PNG"), this);
    png_->setObjectName(QStringLiteral("SavePng"));
    png_->setToolTip(QStringLiteral("Сохранить рисунок как PNG"));

    connect(beforeMarks_, &QCheckBox::toggled, this, [this](bool on) {
        for (auto *mark : beforeLabels_)
            mark->setVisible(on);
    });
    connect(afterMarks_, &QCheckBox::toggled, this, [this](bool on) {
        for (auto *mark : afterLabels_)
            mark->setVisible(on);
    });
    connect(print_, &QPushButton::clicked, this, [this] { Print(); });
    connect(png_, &QPushButton::clicked, this, [this] { ExportChartPng(services_, this, view_); });
    connect(back_, &QPushButton::clicked, this, &QDialog::accept);
    connect(chart_, &QChart::plotAreaChanged, this, [this] { PlaceMarks(); });
    AttachColorMenu(this, services_, [this](std::int32_t c) { ApplyBackground(this, c); });

    PlaceControls();
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

    FitAxes();
    PlaceMarks();
}

int PictureWindow::Run(int rows) {
    ShowFor(rows);
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

void PictureWindow::FitAxes() {
    const int rows = before_->count();
    axisX_->setRange(-0.5, std::max(rows, 1) - 0.5);
    qreal highest = 0;
    for (int i = 0; i < rows; ++i)
        highest = std::max({highest, before_->at(i), after_->at(i)});
    // Head room above the highest bar for its mark.
    axisY_->setRange(0, highest > 0 ? highest * 1.15 : 1.0);
    axisY_->applyNiceNumbers();
}

void PictureWindow::PlaceMarks() {
    const QRectF plot = chart_->plotArea();
    const int rows = before_->count();
    if (plot.isEmpty() || rows == 0)
        return;
    const qreal pixelsPerUnit = plot.width() / (axisX_->max() - axisX_->min());

    const QFontMetricsF axisMetrics(axisX_->labelsFont());
    const int step =
        LabelStep(pixelsPerUnit, axisMetrics.horizontalAdvance(QString::number(rows - 1)) + 12);
    if (axisX_->tickInterval() != step)
        axisX_->setTickInterval(step);

    // Where the marks do not fit side by side over their bars they stand upright.
    const qreal barPixels = pixelsPerUnit * kBarWidth / 2;
    bool upright = false;
    for (const auto *list : {&beforeLabels_, &afterLabels_})
        for (const auto *mark : *list)
            upright = upright || mark->boundingRect().width() > barPixels + 4;

    const std::array<std::pair<QBarSet *, QList<QGraphicsSimpleTextItem *> *>, 2> sets{
        {{before_, &beforeLabels_}, {after_, &afterLabels_}}};
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const auto &[set, list] = sets[s];
        for (int i = 0; i < list->size() && i < set->count(); ++i) {
            const qreal x = i - kBarWidth / 2 + (static_cast<qreal>(s) + 0.5) * kBarWidth / 2;
            const QPointF top = chart_->mapToPosition(QPointF(x, set->at(i)), series_);
            QGraphicsSimpleTextItem *mark = list->at(i);
            const QRectF box = mark->boundingRect();
            if (upright) {
                mark->setRotation(-90);
                mark->setPos(top.x() - box.height() / 2, top.y() - 2);
            } else {
                mark->setRotation(0);
                mark->setPos(top.x() - box.width() / 2, top.y() - box.height() - 1);
            }
        }
    }
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
    print_->setGeometry(w - 100, h - 160 - 50, kButtonWidth, kButtonHeight);
    png_->setGeometry(w - 100, h - 160 - 100, kButtonWidth, kButtonHeight);
    group_->setGeometry(w - 115, 150, kGroupWidth, kGroupHeight);
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

} // namespace spi::gui

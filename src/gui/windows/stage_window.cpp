#include "gui/windows/stage_window.h"

#include "gui/dialogs/coder_window.h"
#include "gui/dialogs/cont_channel1_dialog.h"
#include "gui/dialogs/cont_channel2_dialog.h"
#include "gui/dialogs/decision_device_dialog.h"
#include "gui/dialogs/disc_channel_dialog.h"
#include "gui/dialogs/interleaver_dialog.h"
#include "gui/dialogs/progress_window.h"
#include "gui/dialogs/signal_dialog.h"
#include "gui/dialogs/stat_dialogs.h"
#include "gui/kit/export_files.h"
#include "gui/kit/ui_kit.h"
#include "gui/windows/picture_window.h"
#include "gui/windows/results_window.h"
#include "gui/windows/run_controller.h"

#include <QEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTableWidget>

#include <tuple>
#include <utility>

namespace spi::gui {

namespace {

struct ButtonSpec {
    int number;
    const char *caption;
    const char *hint;
    int helpTopic;
};

// Left to right as the chain is set up and tested; 9 and 10 take the places of 3 and 4 in "РУ".
constexpr ButtonSpec kButtons[] = {
    {2, "Сигнал", "Параметры сигнала", 14},
    {3, "Непрерывный канал", "Параметры непрерывного канала", 18},
    {9, "Непрерывный канал", "Параметры непрерывного канала", 17},
    {4, "Дискретный канал", "Параметры дискретного канала", 13},
    {10, "Решающее устройство", "Решающее устройство", 16},
    {5, "Стат 1", "Стат. испытания без УЗО", 12},
    {6, "Перемежитель", "Параметры перемежителя", 7},
    {7, "УЗО", "Параметры УЗО", 8},
    {8, "Стат2", "Стат. испытания с УЗО", 11},
};

int HelpTopicOf(int number) {
    for (const auto &b : kButtons)
        if (b.number == number)
            return b.helpTopic;
    return -1;
}

constexpr int kButtonWidth = 138;
constexpr int kButtonHeight = 64;
constexpr int kGap = 34;

} // namespace

StageButton::StageButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent) {
    setFixedSize(kButtonWidth, kButtonHeight);
}

void StageButton::paintEvent(QPaintEvent *) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignCenter | Qt::TextWordWrap, caption);
}

StageWindow::StageWindow(GuiServices &services, DialogSet &dialogs, QWidget *parent)
    : QWidget(parent), services_(services), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TDC_Menu"));
    setWindowTitle(QStringLiteral("ДК и РУ"));
    setMouseTracking(true);
    ApplyBackground(this, services_.window.stageWindowColor);
    SetHelpTopic(this, 2);

    for (const auto &b : kButtons) {
        auto *button = new StageButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QStringLiteral("BitBtn%1").arg(b.number));
        button->setToolTip(QString::fromUtf8(b.hint));
        SetHelpTopic(button, b.helpTopic);
        button->installEventFilter(this);
        button->setAttribute(Qt::WA_Hover);
        buttons_[static_cast<std::size_t>(b.number)] = button;
        connect(button, &QPushButton::clicked, this, [this, n = b.number] { Clicked(n); });
    }
    auto *exit = new StageButton(QStringLiteral("Выход"), this);
    exit->setObjectName(QStringLiteral("BitBtn1"));
    exit->installEventFilter(this);
    exit->setAttribute(Qt::WA_Hover);
    buttons_[1] = exit;
    connect(exit, &QPushButton::clicked, this, [this] { Clicked(1); });

    EnableStat1(false);
    EnableStat2(false);
    AttachColorMenu(this, services_, [this](std::int32_t c) {
        services_.window.stageWindowColor = c;
        ApplyBackground(this, c);
    });
    ShowVariant(services_.model.channelType == 2 ? 2 : 1);
}

void StageWindow::ShowVariant(int channelType) {
    const bool ru = channelType == 2;
    button(3)->setVisible(!ru);
    button(4)->setVisible(!ru);
    button(9)->setVisible(ru);
    button(10)->setVisible(ru);
    PlaceButtons();
    update();
}

void StageWindow::EnableStat1(bool on) {
    button(5)->setEnabled(on);
}
void StageWindow::EnableStat2(bool on) {
    button(8)->setEnabled(on);
}

void StageWindow::SetHelpMode(bool on) {
    helpMode_ = on;
    const QCursor cursor = on ? QCursor(Qt::WhatsThisCursor) : QCursor(Qt::ArrowCursor);
    setCursor(cursor);
    for (auto *b : buttons_)
        if (b)
            b->setCursor(cursor);
}

void StageWindow::PlaceButtons() {
    std::vector<QPushButton *> row;
    for (const auto &b : kButtons)
        if (!button(b.number)->isHidden())
            row.push_back(button(b.number));
    const int total =
        static_cast<int>(row.size()) * kButtonWidth + (static_cast<int>(row.size()) - 1) * kGap;
    int x = std::max(12, (width() - total) / 2);
    const int y = std::max(70, height() / 2 - kButtonHeight);
    for (auto *b : row) {
        b->move(x, y);
        x += kButtonWidth + kGap;
    }
    button(1)->move(std::max(12, (width() - kButtonWidth) / 2), y + kButtonHeight + 70);
}

void StageWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    PlaceButtons();
}

void StageWindow::paintEvent(QPaintEvent *event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The links and the title stand out from any window colour the user picks.
    const QColor background = palette().color(QPalette::Window);
    const QColor ink = background.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
    QPen pen(ink, 2);
    p.setPen(pen);
    p.setBrush(ink);
    // The links of the chain: an arrow from each visible stage to the next.
    std::vector<QPushButton *> row;
    for (const auto &b : kButtons)
        if (!button(b.number)->isHidden())
            row.push_back(button(b.number));
    for (std::size_t i = 0; i + 1 < row.size(); ++i) {
        const QRect a = row[i]->geometry();
        const QRect b = row[i + 1]->geometry();
        const int y = a.center().y();
        const QPointF from(a.right() + 4, y), to(b.left() - 4, y);
        p.drawLine(from, to - QPointF(8, 0));
        QPainterPath head;
        head.moveTo(to);
        head.lineTo(to - QPointF(10, 5));
        head.lineTo(to - QPointF(10, -5));
        head.closeSubpath();
        p.drawPath(head);
    }
    if (!row.empty()) {
        QFont f = font();
        f.setPointSize(f.pointSize() + 4);
        f.setBold(true);
        p.setFont(f);
        const QString title = services_.model.channelType == 2
                                  ? QStringLiteral("Модель СПИ с решающим устройством (РУ)")
                                  : QStringLiteral("Модель СПИ с дискретным каналом (ДК)");
        p.drawText(QRect(0, row.front()->y() - 60, width(), 40), Qt::AlignCenter, title);
    }
}

void StageWindow::mousePressEvent(QMouseEvent *event) {
    if (helpMode_ && event->button() == Qt::LeftButton && services_.openHelpTopic)
        services_.openHelpTopic(services_.model.channelType == 2 ? 15 : 2);
    QWidget::mousePressEvent(event);
}

void StageWindow::mouseMoveEvent(QMouseEvent *event) {
    for (int n = 1; n <= 8; ++n)
        SetCaptionColor(n, false);
    QWidget::mouseMoveEvent(event);
}

void StageWindow::SetCaptionColor(int number, bool highlighted) {
    QPushButton *b = button(number);
    QPalette pal = b->palette();
    pal.setColor(QPalette::ButtonText,
                 highlighted ? QColor(0, 0, 255) : palette().color(QPalette::WindowText));
    b->setPalette(pal);
}

bool StageWindow::eventFilter(QObject *watched, QEvent *event) {
    for (int n = 1; n <= 8; ++n) {
        if (watched != button(n))
            continue;
        switch (event->type()) {
        case QEvent::HoverMove:
        case QEvent::HoverEnter:
        case QEvent::FocusIn:
            SetCaptionColor(n, true);
            break;
        case QEvent::FocusOut:
            SetCaptionColor(n, false);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void StageWindow::Clicked(int number) {
    if (helpMode_ && number != 1) {
        if (services_.openHelpTopic)
            services_.openHelpTopic(HelpTopicOf(number));
        return;
    }
    switch (number) {
    case 1:
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
            sub->close();
        else
            close();
        break;
    case 2:
        dialogs_.signal->RunStep();
        break;
    case 3:
        if (dialogs_.contChannel1->RunStep()) {
            EnableStat1(false);
            EnableStat2(false);
        }
        break;
    case 9:
        dialogs_.contChannel2->RunStep();
        break;
    case 4:
        if (dialogs_.discChannel->RunStep())
            EnableStat1(true);
        break;
    case 10:
        dialogs_.decisionDevice->RunStep();
        EnableStat1(true);
        break;
    case 5:
        RunTest(false);
        break;
    case 6:
        dialogs_.interleaver->RunStep();
        break;
    case 7:
        if (dialogs_.coder->RunStep())
            EnableStat2(true);
        break;
    case 8:
        RunTest(true);
        break;
    default:
        break;
    }
}

void StageWindow::RunTest(bool withCoder) {
    ModelState &m = services_.model;
    // The report reads the volume from these cells: when the user stops the run, the results
    // that stay are those of the last completed run, and so must be the volume shown with them.
    const auto volume = std::pair(m.wordCount, m.stat1WordLength);
    const bool start = withCoder ? dialogs_.stat2->RunStep() : dialogs_.stat1->RunStep();
    if (!start)
        return;
    if (!ConfirmGeneratorCycle(services_, this, PlannedRunDraws(m, withCoder))) {
        std::tie(m.wordCount, m.stat1WordLength) = volume; // nothing ran
        return;
    }
    const RunResult r = RunTestWithProgress(services_, *dialogs_.progress,
                                            withCoder ? TestKind::Stat2 : TestKind::Stat1);
    if (r.outcome == RunOutcome::Cancelled)
        std::tie(m.wordCount, m.stat1WordLength) = volume;
    if (!r.showResults)
        return;
    ResultsWindow &results = *dialogs_.results;
    results.Fill(r.view);
    results.onPicture = [this, &results] { dialogs_.picture->Run(results.table()->rowCount()); };
    results.onImport = onImport;
    results.onExportCsv = [this, withCoder, &results] {
        ExportDistributionsCsv(services_, &results, withCoder);
    };
    if (!withCoder)
        results.pictureButton()->setEnabled(false);
    results.Run();
    results.pictureButton()->setEnabled(true);
}

} // namespace spi::gui

#include "gui/windows/results_window.h"

#include "gui/kit/ui_kit.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace spi::gui {

namespace {

// The width of each column of figures; the column "Теория" has the width of the column it stands
// beside.
constexpr int kCountColumnWidth = 91;
constexpr int kValueColumnWidth = 240;
// The help topic of the theory beside the run.
constexpr int kTheoryHelpTopic = 19;

QString Text(const std::string &s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QLabel *ValueLabel(QWidget *parent, const char *name) {
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}
} // namespace

ResultsWindow::ResultsWindow(GuiServices &services, QWidget *parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("TResults"));
    setWindowTitle(QStringLiteral("Результат испытаний."));
    auto *layout = new QVBoxLayout(this);
    AddHeading(layout);
    AddTable(layout);
    AddFigures(layout);
    AddButtons(layout);
    AttachColorMenu(this, services_, [this](std::int32_t c) { ApplyBackground(this, c); });
}

void ResultsWindow::AddHeading(QVBoxLayout *layout) {
    auto *top = new QLabel(QStringLiteral("Распределение кратностей ошибок"), this);
    top->setObjectName(QStringLiteral("Panel2"));
    top->setAlignment(Qt::AlignCenter);
    top->setFrameStyle(QFrame::Panel | QFrame::Raised);
    top->setMinimumHeight(28);
    layout->addWidget(top);
}

void ResultsWindow::AddTable(QVBoxLayout *layout) {
    table_ = new QTableWidget(50, 3, this);
    table_->setObjectName(QStringLiteral("StringGrid1"));
    // The cells carry their own leading blanks, as the texts of the run are made; left-aligned in
    // the window's proportional font (whose digits are all of one width) they line up unclipped.
    table_->setHorizontalHeaderLabels({QStringLiteral("   Кратность"), QString(), QString()});
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->setTextElideMode(Qt::ElideNone);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    SetColumnWidths();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setMinimumHeight(260);
    layout->addWidget(table_);
}

// The summary figures, each under its caption's row.
void ResultsWindow::AddFigures(QVBoxLayout *layout) {
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *grid = new QGridLayout(panel);
    detection_ = ValueLabel(panel, "Label3");
    volume_ = ValueLabel(panel, "Label4");
    pIn_ = ValueLabel(panel, "Label7");
    pOut_ = ValueLabel(panel, "Label8");
    capacity_ = ValueLabel(panel, "Label10");
    const std::pair<const char *, QLabel *> rows[] = {
        {"Вероятность обнаружения Pобн :", detection_},
        {"Объем испытаний :", volume_},
        {"Эквивалентная вероятность ошибки Pвх :", pIn_},
        {"Эквивалентная вероятность ошибки Pвых :", pOut_},
        {"Пропускная способность:", capacity_},
    };
    int r = 0;
    for (const auto &[caption, label] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), panel), r, 0);
        grid->addWidget(label, r, 1);
        ++r;
    }
    // The lines of theory and batch means, under the figures; as many show as the run gives.
    // Each stays one line, whose width the window takes: a wrap could part a figure from its
    // "+-".
    for (int i = 0; i < kTheoryLines; ++i) {
        const QByteArray name = "TheoryLine" + QByteArray::number(i + 1);
        QLabel *line = ValueLabel(panel, name.constData());
        line->hide();
        SetHelpTopic(line, kTheoryHelpTopic);
        grid->addWidget(line, r++, 0, 1, 2);
        theoryLines_[static_cast<std::size_t>(i)] = line;
    }
    grid->setColumnStretch(1, 1);
    layout->addWidget(panel);
}

void ResultsWindow::SetColumnWidths() {
    table_->setColumnWidth(0, kCountColumnWidth);
    for (int c = 1; c < table_->columnCount(); ++c)
        table_->setColumnWidth(c, kValueColumnWidth);
    table_->setMinimumWidth(kCountColumnWidth + (table_->columnCount() - 1) * kValueColumnWidth +
                            24);
}

// "Рисунок", "Импорт" and "Экспорт CSV" do what the application sets; "Выход" closes.
void ResultsWindow::AddButtons(QVBoxLayout *layout) {
    auto *buttons = new QHBoxLayout;
    picture_ = new QPushButton(QStringLiteral("Рисунок"), this);
    picture_->setObjectName(QStringLiteral("BitBtn1"));
    import_ = new QPushButton(QStringLiteral("Импорт"), this);
    import_->setObjectName(QStringLiteral("BitBtn2"));
    export_ = new QPushButton(QStringLiteral("Экспорт CSV"), this);
    export_->setObjectName(QStringLiteral("BitBtn4"));
    export_->setToolTip(QStringLiteral("Распределения и показатели в файл CSV"));
    exit_ = new QPushButton(QStringLiteral("Выход"), this);
    exit_->setObjectName(QStringLiteral("BitBtn3"));
    buttons->addStretch();
    buttons->addWidget(picture_);
    buttons->addWidget(import_);
    buttons->addWidget(export_);
    buttons->addWidget(exit_);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
    connect(picture_, &QPushButton::clicked, this, [this] {
        if (onPicture)
            onPicture();
    });
    connect(import_, &QPushButton::clicked, this, [this] {
        if (onImport)
            onImport();
    });
    connect(export_, &QPushButton::clicked, this, [this] {
        if (onExportCsv)
            onExportCsv();
    });
}

QLabel *ResultsWindow::valueLabel(const char *name) const {
    return findChild<QLabel *>(QString::fromLatin1(name));
}

void ResultsWindow::Fill(const ResultsView &v) {
    // The column "Теория" stands beside "До декодирования", the entries it is compared with.
    const bool theory = !v.theoryRows.empty();
    QStringList headers{QStringLiteral("   Кратность"), Text(v.header1), Text(v.header2)};
    if (theory)
        headers.insert(2, QStringLiteral("     Теория"));
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
    SetColumnWidths();
    table_->setRowCount(static_cast<int>(v.rows.size()));
    for (std::size_t r = 0; r < v.rows.size(); ++r) {
        QStringList cells{Text(v.rows[r][0]), Text(v.rows[r][1]), Text(v.rows[r][2])};
        if (theory)
            cells.insert(2, r < v.theoryRows.size() ? Text(v.theoryRows[r]) : QString());
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            table_->setItem(static_cast<int>(r), c, item);
        }
    }
    detection_->setText(Text(v.detection));
    volume_->setText(Text(v.volume));
    pIn_->setText(Text(v.pErrIn));
    pOut_->setText(Text(v.pErrOut));
    capacity_->setText(Text(v.capacity));
    for (std::size_t i = 0; i < theoryLines_.size(); ++i) {
        QLabel *line = theoryLines_[i];
        line->setText(i < v.theoryLines.size() ? Text(v.theoryLines[i]) : QString());
        line->setVisible(i < v.theoryLines.size());
    }
}

int ResultsWindow::Run() {
    return services_.execDialog ? services_.execDialog(*this) : exec();
}

} // namespace spi::gui

#include "gui/app/help_viewer.h"

#include "gui/app/help_topics.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace spi::gui {

namespace {

// One look for every page, so that the pages themselves carry only their text.
const char *const kPageStyle = R"(
body { font-size: 10pt; }
h1 { color: #1f3f7f; font-size: 15pt; margin-bottom: 6px; }
h2 { color: #1f3f7f; font-size: 12pt; margin-top: 14px; margin-bottom: 4px; }
table { border-collapse: collapse; margin-top: 4px; margin-bottom: 4px; }
th { background-color: #dfe7f5; }
td, th { border: 1px solid #9aa8c0; padding: 3px; }
p.chain { background-color: #eef3fb; padding: 6px; }
p.note { background-color: #fff6df; padding: 6px; }
p.see { color: #404040; margin-top: 14px; }
tt { font-family: "DejaVu Sans Mono", monospace; }
)";

// Bounded, so that a long session of clicking does not grow the list without end.
constexpr int kHistoryLimit = 100;

} // namespace

HelpViewer::HelpViewer(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Справка"));
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(760, 620);

    browser_ = new QTextBrowser(this);
    // Links are followed here and only to help topics: nothing is handed to the system.
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    browser_->document()->setDefaultStyleSheet(QString::fromUtf8(kPageStyle));
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::FollowLink);

    back_ = new QPushButton(QStringLiteral("Назад"), this);
    contents_ = new QPushButton(QStringLiteral("Содержание"), this);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    back_->setEnabled(false);
    back_->setAutoDefault(false);
    contents_->setAutoDefault(false);
    close->setAutoDefault(false);
    connect(back_, &QPushButton::clicked, this, &HelpViewer::GoBack);
    connect(contents_, &QPushButton::clicked, this, &HelpViewer::ShowContents);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *backKey = new QShortcut(QKeySequence::Back, this);
    connect(backKey, &QShortcut::activated, this, &HelpViewer::GoBack);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addWidget(contents_);
    buttons->addStretch();
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
}

void HelpViewer::ShowContents() {
    Open(QStringLiteral("0"));
}

void HelpViewer::ShowTopic(int topic) {
    // An unknown number shows the contents, and is then remembered as the contents.
    const QString key = HelpLinkKey(QUrl(QStringLiteral("topic:%1").arg(topic)));
    Open(key.isEmpty() ? QStringLiteral("0") : key);
}

void HelpViewer::ShowNamed(const QString &name) {
    const QString key = HelpLinkKey(QUrl(QStringLiteral("topic:") + name));
    Open(key.isEmpty() ? QStringLiteral("0") : key);
}

void HelpViewer::GoBack() {
    if (history_.isEmpty())
        return;
    current_ = history_.takeLast();
    browser_->setHtml(HelpPageHtml(current_));
    back_->setEnabled(!history_.isEmpty());
}

void HelpViewer::Open(const QString &key) {
    if (key != current_) {
        if (!current_.isEmpty())
            history_.append(current_);
        if (history_.size() > kHistoryLimit)
            history_.removeFirst();
        current_ = key;
        browser_->setHtml(HelpPageHtml(key));
    }
    back_->setEnabled(!history_.isEmpty());
    // Over a modal dialog (F1 there, or a link of the coder window) the viewer must be modal
    // itself, or the dialog would block it; elsewhere it stays open beside the windows.
    const QWidget *modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted = modal && modal != this ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        hide();
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
}

void HelpViewer::FollowLink(const QUrl &link) {
    const QString key = HelpLinkKey(link);
    if (!key.isEmpty())
        Open(key);
}

} // namespace spi::gui

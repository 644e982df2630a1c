#include "app/help_viewer.h"

#include "app/help_topics.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace spi::gui {
HelpViewer::HelpViewer(QWidget *parent) : QDialog(parent) {
    auto *l = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    l->addWidget(browser_);
}
void HelpViewer::ShowContents() { ShowTopic(0); }
void HelpViewer::ShowTopic(int topic) {
    current_ = QString::number(topic);
    browser_->setHtml(HelpTopicHtml(topic));
    show();
}
void HelpViewer::ShowNamed(const QString &name) {
    current_ = name;
    browser_->setHtml(HelpNamedHtml(name));
    show();
}
} // namespace spi::gui

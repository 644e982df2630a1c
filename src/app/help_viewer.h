// The workstation's own help viewer: one window, reused, that shows a topic and follows the links
// between topics.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace spi::gui {

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);
    void ShowContents();
    void ShowTopic(int topic);
    void ShowNamed(const QString &name);
    // The topic shown last: "0".."18" or a name, for tests.
    QString currentTopic() const { return current_; }
    QTextBrowser *browser() const { return browser_; }

private:
    QTextBrowser *browser_ = nullptr;
    QString current_;
};

} // namespace spi::gui

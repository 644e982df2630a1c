// The workstation's own help viewer: one window, reused, that shows a topic and follows the links
// between topics. It is not modal: the student keeps it open beside the dialog being filled in.
#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace spi::gui {

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);
    void ShowContents();
    void ShowTopic(int topic);
    void ShowNamed(const QString &name);
    // The topic shown last: "0".."19" or a name, for tests.
    QString currentTopic() const { return current_; }
    QTextBrowser *browser() const { return browser_; }
    QPushButton *backButton() const { return back_; }
    QPushButton *contentsButton() const { return contents_; }

public slots:
    // Returns to the topic shown before the current one.
    void GoBack();

private:
    // Shows the page of a topic key and brings the window to the front; the topic left behind is
    // remembered for "Назад".
    void Open(const QString &key);
    void FollowLink(const QUrl &link);

    QTextBrowser *browser_ = nullptr;
    QPushButton *back_ = nullptr;
    QPushButton *contents_ = nullptr;
    QString current_;
    QStringList history_;
};

} // namespace spi::gui

// "Расчет": the progress of a run, with its counter "Обработано блоков:", a bar 0..100 and the
// button "Прервать" that abandons the run.
#pragma once

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace spi::gui {

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget *parent = nullptr);
    void Reset();
    void SetProgress(int count);
    void SetCounter(long long wordsDone);
    QProgressBar *bar() const { return bar_; }
    QLineEdit *counter() const { return counter_; }
    QPushButton *abortButton() const { return abort_; }

signals:
    void abortRequested();

protected:
    void reject() override {} // a run is ended only by its end or by "Прервать"

private:
    QLineEdit *counter_;
    QProgressBar *bar_;
    QPushButton *abort_;
};

} // namespace spi::gui

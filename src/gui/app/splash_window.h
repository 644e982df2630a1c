// The splash window of the start: a drawing of the transmission chain above a text, closed by
// its timer and by nothing else.
#pragma once

#include <QDialog>

class QTimer;

namespace spi::gui {

// The drawing of the chain: source, coder, interleaver, the channel with its noise,
// de-interleaver, decoder and receiver, painted to the size of its captions.
class ChainPicture : public QWidget {
    Q_OBJECT
public:
    explicit ChainPicture(QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(int milliseconds = 10000, QWidget *parent = nullptr);

protected:
    void reject() override {} // neither Escape nor the system closes it: only the timer
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QTimer *timer_ = nullptr;
    bool expired_ = false;
};

} // namespace spi::gui

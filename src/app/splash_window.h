// The splash window of the start: a drawing of the transmission chain above a text, closed by
// its timer and by nothing else.
#pragma once

#include <QDialog>

namespace spi::gui {

class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(int milliseconds = 10000, QWidget *parent = nullptr);

protected:
    void reject() override {} // neither Escape nor the system closes it: only the timer
};

} // namespace spi::gui

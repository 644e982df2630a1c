#include "app/splash_window.h"

#include <QTimer>

namespace spi::gui {
SplashWindow::SplashWindow(int ms, QWidget *parent) : QDialog(parent) {
    QTimer::singleShot(ms, this, &QDialog::accept);
}
} // namespace spi::gui

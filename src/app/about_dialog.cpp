#include "app/about_dialog.h"

namespace spi::gui {
AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent) { setWindowTitle(QStringLiteral("О программе")); }
} // namespace spi::gui

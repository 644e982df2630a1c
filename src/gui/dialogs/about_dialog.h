// "О программе": a fixed description and the button "Выход".
#pragma once

#include <QDialog>

namespace spi::gui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
};

} // namespace spi::gui

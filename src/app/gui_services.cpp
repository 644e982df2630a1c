#include "app/gui_services.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace spi::gui {

void InstallInteractiveServices(GuiServices &s) {
    s.execDialog = [](QDialog &d) { return d.exec(); };
    s.chooseColor = [](QWidget *parent, const QColor &initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, parent, QStringLiteral("Цвет"));
        if (!c.isValid())
            return std::nullopt;
        return c;
    };
    s.askYesNo = [](QWidget *parent, const QString &caption, const QString &text) {
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    s.chooseOpenFile = [](QWidget *parent, const QString &caption, const QString &preset,
                          const QString &filter) {
        return QFileDialog::getOpenFileName(parent, caption, preset, filter);
    };
    s.chooseSaveFile = [](QWidget *parent, const QString &caption, const QString &preset,
                          const QString &filter) {
        return QFileDialog::getSaveFileName(parent, caption, preset, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
}

} // namespace spi::gui

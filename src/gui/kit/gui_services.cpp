#include "gui/kit/gui_services.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>

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
    s.warnYesNo = [](QWidget *parent, const QString &caption, const QString &text) {
        return QMessageBox::warning(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
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

QPrinter &SessionPrinter(GuiServices &services) {
    if (!services.printer)
        services.printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *services.printer;
}

bool ConfirmGeneratorCycle(GuiServices &services, QWidget *parent, const RunDraws &draws) {
    if (!draws.ExceedsCycle())
        return true;
    const std::string text = GeneratorCycleWarning(draws) + " Продолжить?";
    const auto &ask = services.warnYesNo ? services.warnYesNo : services.askYesNo;
    return ask(parent, QStringLiteral("      ВНИМАНИЕ!!"), QString::fromStdString(text));
}

QString ChooseSaveTarget(GuiServices &services, QWidget *parent, const QString &caption,
                         const QString &presetName, const QString &filter,
                         const std::function<QString(const QString &)> &finalName) {
    QString preset = presetName;
    for (;;) {
        const QString chosen = services.chooseSaveFile(parent, caption, preset, filter);
        if (chosen.isEmpty())
            return {};
        QString target = finalName ? finalName(chosen) : chosen;
        if (!QFileInfo::exists(target))
            return target;
        const QString question =
            QStringLiteral("Файл %1 уже существует. Заменить?").arg(QFileInfo(target).fileName());
        if (services.askYesNo && services.askYesNo(parent, caption, question))
            return target;
        preset = chosen;
    }
}

} // namespace spi::gui

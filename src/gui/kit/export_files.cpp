#include "gui/kit/export_files.h"

#include "io/curve_export.h"
#include "io/safe_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

namespace spi::gui {

namespace {

std::string PngOf(QWidget *widget) {
    const QPixmap picture = widget->grab();
    QByteArray data;
    QBuffer buffer(&data);
    if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return {};
    return data.toStdString();
}

} // namespace

bool SaveExport(GuiServices &services, QWidget *parent, const QString &caption,
                const QString &preset, const QString &filter, const QString &suffix,
                const std::function<std::string()> &bytes) {
    if (!services.chooseSaveFile)
        return false;
    const QString path =
        ChooseSaveTarget(services, parent, caption, preset, filter, [&suffix](QString chosen) {
            if (QFileInfo(chosen).suffix().isEmpty())
                chosen += QLatin1Char('.') + suffix;
            return chosen;
        });
    if (path.isEmpty())
        return false;
    const std::string content = bytes();
    if (content.empty()) {
        services.notifier.Error("Нечего записать в файл " + path.toStdString() + ".");
        return false;
    }
    return WriteWholeFile(path.toStdString(), content, services.notifier);
}

bool ExportDistributionsCsv(GuiServices &services, QWidget *parent, bool withCoder) {
    return SaveExport(services, parent, QStringLiteral("Экспорт распределений в CSV"),
                      QStringLiteral("rasp1"), QStringLiteral("Таблица CSV (*.csv)"),
                      QStringLiteral("csv"),
                      [&] { return DistributionsCsv(services.model, withCoder); });
}

bool ExportChartPng(GuiServices &services, QWidget *parent, QWidget *chartView) {
    if (!chartView)
        return false;
    return SaveExport(services, parent, QStringLiteral("Экспорт рисунка в PNG"),
                      QStringLiteral("picture1"), QStringLiteral("Рисунок PNG (*.png)"),
                      QStringLiteral("png"), [chartView] { return PngOf(chartView); });
}

} // namespace spi::gui

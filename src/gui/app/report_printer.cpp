#include "gui/app/report_printer.h"

#include "io/codepage1251.h"
#include "io/run_report.h"
#include "io/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextEdit>

namespace spi::gui {

QString PlainReportText(GuiServices &services) {
    std::string failure;
    const auto bytes = WriteTestReport(services.model, false, &failure);
    if (!bytes) {
        services.notifier.Error(failure);
        return {};
    }
    const auto utf8 = Cp1251ToUtf8(*bytes);
    return utf8 ? QString::fromStdString(*utf8) : QString();
}

bool PrintReport(GuiServices &services, QWidget *parent, const QString &scratchDir,
                 QTextEdit *view) {
    std::string failure;
    const auto bytes = WriteTestReport(services.model, false, &failure);
    if (!bytes) {
        services.notifier.Error(failure);
        return false;
    }
    const QString path = QDir(scratchDir).filePath(QStringLiteral("impfile.txt"));
    if (!WriteWholeFile(path.toStdString(), *bytes, services.notifier))
        return false;

    QFile file(path);
    QString text;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray raw = file.readAll();
        const auto utf8 =
            Cp1251ToUtf8(std::string_view(raw.constData(), static_cast<std::size_t>(raw.size())));
        if (utf8)
            text = QString::fromStdString(*utf8);
        file.close();
    }
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(text);

    QPrinter &printer = SessionPrinter(services);
    printer.setDocName(QString()); // an empty document title
    QPrintDialog dialog(&printer, parent);
    const bool chosen =
        (services.execDialog ? services.execDialog(dialog) : dialog.exec()) == QDialog::Accepted;
    if (chosen)
        view->document()->print(&printer);
    QFile::remove(path);
    return chosen;
}

} // namespace spi::gui

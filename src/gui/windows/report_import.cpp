#include "gui/windows/report_import.h"

#include "io/run_report.h"
#include "io/safe_file.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

namespace spi::gui {

namespace {

// Courier New has Cyrillic letters on every system that reads RTF and is replaced by a metric
// twin (Liberation Mono) where it is missing, so the columns of the report stay in line.
constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049"
    "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset204 Courier New;}}\r\n"
    "\\paperw11906\\paperh16838\\margl1134\\margr850\\margt1134\\margb1134\r\n"
    "\\pard\\plain\\f0\\fs20 ";

const std::string kNoProgram = "Не найдена программа для просмотра документов RTF. Отчет записан в "
                               "файл %1; файл будет удален при выходе из программы.";

bool NoFolder(Notifier &notifier) {
    notifier.Error("Не удалось создать временную папку для импорта.");
    return false;
}

} // namespace

std::string RichTextFromCp1251(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(kHeader);
    out.reserve(kHeader.size() + text.size() * 2 + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        switch (byte) {
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            [[fallthrough]];
        case '\n':
            out += "\\par\r\n";
            break;
        case '\t':
            out += "\\tab ";
            break;
        case '\\':
        case '{':
        case '}':
            out += '\\';
            out += static_cast<char>(byte);
            break;
        default:
            if (byte >= 0x80) {
                out += "\\'";
                out += kHex[byte >> 4];
                out += kHex[byte & 0x0F];
            } else if (byte >= 0x20) {
                out += static_cast<char>(byte);
            } // other control characters have no place in a document's text
        }
    }
    out += "}\r\n";
    return out;
}

bool OpenWithDesktop(const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool ImportReport(GuiServices &services, const QString &scratchDir,
                  const std::function<bool(const QString &rtfPath)> &open) {
    std::string failure;
    const auto report = WriteTestReport(services.model, false, &failure);
    if (!report) {
        services.notifier.Error(failure);
        return false;
    }
    // A new folder for every import: the program given the last document may still hold it open
    // under the same name, and would show that one again rather than read a rewritten file.
    if (scratchDir.isEmpty())
        return NoFolder(services.notifier);
    QTemporaryDir folder(QDir(scratchDir).filePath(QStringLiteral("import-XXXXXX")));
    if (!folder.isValid())
        return NoFolder(services.notifier);
    folder.setAutoRemove(false);
    const QDir dir(folder.path());
    const QString txtPath = dir.filePath(QStringLiteral("impfile.txt"));
    const QString rtfPath = dir.filePath(QStringLiteral("impfile.rtf"));
    if (!WriteWholeFile(txtPath.toStdString(), *report, services.notifier))
        return false;
    if (!WriteWholeFile(rtfPath.toStdString(), RichTextFromCp1251(*report), services.notifier))
        return false;

    const bool opened = open ? open(rtfPath) : OpenWithDesktop(rtfPath);
    if (!opened)
        services.notifier.Warning(QString::fromStdString(kNoProgram)
                                      .arg(QDir::toNativeSeparators(rtfPath))
                                      .toStdString());
    return opened;
}

} // namespace spi::gui

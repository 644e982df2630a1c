#include "gui/app/help_topics.h"

#include "model/tables.h"

#include <QFile>
#include <QUrl>

#include <algorithm>
#include <array>
#include <utility>

// The pages live in a static library: without an explicit reference its resource object would be
// dropped by the linker. Q_INIT_RESOURCE has to be used outside any namespace.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace spi::gui {

namespace {

constexpr auto kTopicFiles = std::to_array<std::pair<int, const char *>>({
    {0, "index.html"},
    {1, "main_window.html"},
    {2, "stage_window.html"},
    {7, "interleaver.html"},
    {8, "coder.html"},
    {11, "stat2.html"},
    {12, "stat1.html"},
    {13, "discrete_channel.html"},
    {14, "signal.html"},
    {15, "ru_structure.html"},
    {16, "decision_device.html"},
    {17, "cont_channel_ru.html"},
    {18, "cont_channel_dk.html"},
    // The theory beside a run, which the results window's lines of theory open with F1.
    {19, "theory.html"},
});

const QString kTabCycle = QStringLiteral("TabCycle");
// The generated rows replace this marker of the TabCycle page.
const QString kRowsMarker = QStringLiteral("<!--rows-->");
// Digits of g(x) per line in the table: the lines are counted from the right, so that in a
// right-aligned column the digits of equal powers of x stand one under another.
constexpr int kDigitsPerLine = 30;
// Rows the BCH decoder (code type 14) may use; the syndrome decoder (type 0) takes all rows.
constexpr int kBchDecoderRows = 76;

QString ReadPage(const QString &file) {
    static const bool ready = [] {
        InitHelpResources();
        return true;
    }();
    (void)ready;
    QFile f(QStringLiteral(":/help/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

const char *TopicFile(int topic) {
    for (const auto &[number, file] : kTopicFiles)
        if (number == topic)
            return file;
    return nullptr;
}

QString GeneratorLines(const QString &g) {
    QStringList lines;
    qsizetype end = g.size();
    while (end > 0) {
        const qsizetype begin = std::max<qsizetype>(0, end - kDigitsPerLine);
        lines.prepend(g.mid(begin, end - begin));
        end = begin;
    }
    // One paragraph per line: a cell is then as wide as its widest line, not as the whole number.
    QString cell;
    for (const QString &line : lines)
        cell += QStringLiteral("<p align=\"right\" style=\"margin:0\"><tt>%1</tt></p>").arg(line);
    return cell;
}

QString TabCycleRows() {
    QString rows;
    rows += QStringLiteral("<tr><th>№</th><th>n</th><th>k</th><th>t</th>"
                           "<th>g(x), восьмеричная запись</th></tr>\n");
    for (int r = 1; r <= kBchRows; ++r) {
        const BchRow &row = kBchTable[static_cast<std::size_t>(r)];
        // Rows the BCH decoder cannot take are shaded.
        const QString shade =
            r > kBchDecoderRows ? QStringLiteral(" bgcolor=\"#fff1d6\"") : QString();
        rows += QStringLiteral("<tr><td align=\"right\"%1>%2</td><td align=\"right\"%1>%3</td>"
                               "<td align=\"right\"%1>%4</td><td align=\"right\"%1>%5</td>"
                               "<td align=\"right\"%1>%6</td></tr>\n")
                    .arg(shade)
                    .arg(r)
                    .arg(row.n)
                    .arg(row.k)
                    .arg(row.t)
                    .arg(GeneratorLines(QString::fromLatin1(row.g)));
    }
    return rows;
}

} // namespace

QList<int> HelpTopicNumbers() {
    QList<int> numbers;
    for (const auto &entry : kTopicFiles)
        numbers.append(entry.first);
    return numbers;
}

QString HelpTopicHtml(int topic) {
    const char *file = TopicFile(topic);
    return ReadPage(QString::fromLatin1(file ? file : TopicFile(0)));
}

QString HelpNamedHtml(const QString &name) {
    if (name.compare(kTabCycle, Qt::CaseInsensitive) == 0)
        return TabCycleHtml();
    return HelpTopicHtml(0);
}

QString TabCycleHtml() {
    QString page = ReadPage(QStringLiteral("tabcycle.html"));
    page.replace(kRowsMarker, TabCycleRows());
    return page;
}

QStringList HelpNamedTopics() {
    return {kTabCycle};
}

QString HelpLinkKey(const QUrl &link) {
    if (link.scheme() != QStringLiteral("topic"))
        return {};
    const QString target = link.path();
    if (target.compare(kTabCycle, Qt::CaseInsensitive) == 0)
        return kTabCycle;
    bool isNumber = false;
    const int topic = target.toInt(&isNumber);
    if (!isNumber || TopicFile(topic) == nullptr)
        return {};
    return QString::number(topic);
}

QString HelpPageHtml(const QString &key) {
    bool isNumber = false;
    const int topic = key.toInt(&isNumber);
    return isNumber ? HelpTopicHtml(topic) : HelpNamedHtml(key);
}

} // namespace spi::gui

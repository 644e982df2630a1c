// The help, the "О программе" box and the splash window: every topic has a titled page, every
// link between pages leads somewhere, the table of cyclic codes is the built-in table, the viewer
// follows links and goes back, the splash closes only by its timer.
#include "gui/app/help_topics.h"
#include "gui/app/help_viewer.h"
#include "gui/app/splash_window.h"
#include "gui/dialogs/about_dialog.h"
#include "model/tables.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QtTest>

using namespace spi::gui;

namespace {

// Every page by its key, numbered and named.
QList<QPair<QString, QString>> AllPages() {
    QList<QPair<QString, QString>> pages;
    for (int n : HelpTopicNumbers())
        pages.append({QString::number(n), HelpTopicHtml(n)});
    for (const QString &name : HelpNamedTopics())
        pages.append({name, HelpNamedHtml(name)});
    return pages;
}

QStringList Links(const QString &html) {
    QStringList links;
    static const QRegularExpression href(QStringLiteral("href\\s*=\\s*\"([^\"]*)\""));
    for (auto it = href.globalMatch(html); it.hasNext();)
        links.append(it.next().captured(1));
    return links;
}

QTextTable *FirstTable(QTextDocument &doc) {
    for (QTextFrame *frame : doc.rootFrame()->childFrames())
        if (auto *table = qobject_cast<QTextTable *>(frame))
            return table;
    return nullptr;
}

QString CellText(QTextTable *table, int row, int column) {
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    QString text = c.selectedText();
    text.remove(QChar::LineSeparator).remove(QChar::ParagraphSeparator).remove(QLatin1Char(' '));
    return text;
}

// The middle of the link to href in the viewer's page, in viewport coordinates.
std::optional<QPoint> LinkPoint(QTextBrowser *browser, const QString &href) {
    QTextDocument *doc = browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || f.charFormat().anchorHref() != href)
                continue;
            QTextCursor c(doc);
            c.setPosition(f.position() + f.length() / 2);
            browser->setTextCursor(c);
            browser->ensureCursorVisible();
            const QRect r = browser->cursorRect(c);
            return QPoint(r.center().x(), r.center().y());
        }
    }
    return std::nullopt;
}

void SaveShot(QWidget &w, const QString &name) {
    const QString dir = qEnvironmentVariable("SPI_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QVERIFY(w.grab().save(QDir(dir).filePath(name)));
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void everyTopicHasATitledPage();
    void everyLinkLeadsToATopic();
    void tabCycleIsTheBuiltInTable();
    void viewerFollowsLinksAndGoesBack();
    void viewerOverAModalDialogCanBeUsed();
    void splashClosesOnlyByItsTimer();
    void aboutBoxHasOneExitButton();
    void screenshots();
};

void HelpTest::everyTopicHasATitledPage() {
    const QList<int> expected = {0, 1, 2, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    QCOMPARE(HelpTopicNumbers(), expected);
    QSet<QString> titles;
    for (const auto &[key, html] : AllPages()) {
        QVERIFY2(!html.isEmpty(), qPrintable(key));
        QVERIFY2(html.contains(QStringLiteral("<h1>")), qPrintable(key));
        QTextDocument doc;
        doc.setHtml(html);
        const QString title = doc.metaInformation(QTextDocument::DocumentTitle);
        QVERIFY2(!title.isEmpty(), qPrintable(key));
        // A page read in a wrong encoding would lose its Cyrillic text.
        QVERIFY2(title.contains(QRegularExpression(QStringLiteral("[А-Яа-я]"))), qPrintable(key));
        titles.insert(title);
    }
    QCOMPARE(titles.size(), AllPages().size()); // no page stands in for another
    // Unknown topics fall back to the contents.
    QCOMPARE(HelpTopicHtml(3), HelpTopicHtml(0));
    QCOMPARE(HelpNamedHtml(QStringLiteral("NoSuchTopic")), HelpTopicHtml(0));
}

void HelpTest::everyLinkLeadsToATopic() {
    for (const auto &[key, html] : AllPages()) {
        for (const QString &link : Links(html)) {
            const QString target = HelpLinkKey(QUrl(link));
            QVERIFY2(!target.isEmpty(), qPrintable(key + QStringLiteral(": ") + link));
            QVERIFY2(target != key, qPrintable(key + QStringLiteral(" links to itself")));
        }
    }
    // The contents leads to every other topic.
    QSet<QString> fromContents;
    for (const QString &link : Links(HelpTopicHtml(0)))
        fromContents.insert(HelpLinkKey(QUrl(link)));
    for (const auto &[key, html] : AllPages())
        if (key != QStringLiteral("0"))
            QVERIFY2(fromContents.contains(key), qPrintable(key));

    QCOMPARE(HelpLinkKey(QUrl(QStringLiteral("topic:13"))), QStringLiteral("13"));
    QCOMPARE(HelpLinkKey(QUrl(QStringLiteral("topic:TabCycle"))), QStringLiteral("TabCycle"));
    QVERIFY(HelpLinkKey(QUrl(QStringLiteral("topic:3"))).isEmpty());
    QVERIFY(HelpLinkKey(QUrl(QStringLiteral("https://example.org/13"))).isEmpty());
    QVERIFY(HelpLinkKey(QUrl(QStringLiteral("file:///etc/passwd"))).isEmpty());
}

void HelpTest::tabCycleIsTheBuiltInTable() {
    QTextDocument doc;
    doc.setHtml(TabCycleHtml());
    QTextTable *table = FirstTable(doc);
    QVERIFY(table);
    QCOMPARE(table->rows(), spi::kBchRows + 1); // a header and one row per polynomial
    QCOMPARE(table->columns(), 5);
    for (int r = 1; r <= spi::kBchRows; ++r) {
        const spi::BchRow &row = spi::kBchTable[static_cast<std::size_t>(r)];
        QCOMPARE(CellText(table, r, 0), QString::number(r));
        QCOMPARE(CellText(table, r, 1), QString::number(row.n));
        QCOMPARE(CellText(table, r, 2), QString::number(row.k));
        QCOMPARE(CellText(table, r, 3), QString::number(row.t));
        QCOMPARE(CellText(table, r, 4), QString::fromLatin1(row.g));
    }
}

void HelpTest::viewerOverAModalDialogCanBeUsed() {
    // F1 in a modal dialog opens the viewer: the dialog would block a viewer that is not modal
    // itself. Outside a modal dialog it stays beside the windows.
    HelpViewer viewer;
    QDialog dialog;
    Qt::WindowModality over = Qt::NonModal;
    bool interactive = false;
    QTimer::singleShot(0, &dialog, [&] {
        viewer.ShowTopic(14);
        over = viewer.windowModality();
        interactive = QApplication::activeModalWidget() == &viewer;
        viewer.close();
        dialog.reject();
    });
    dialog.exec();
    QCOMPARE(over, Qt::ApplicationModal);
    QVERIFY(interactive);
    viewer.ShowTopic(2);
    QCOMPARE(viewer.windowModality(), Qt::NonModal);
    viewer.close();
}

void HelpTest::viewerFollowsLinksAndGoesBack() {
    HelpViewer viewer;
    QVERIFY(!viewer.isModal());
    viewer.ShowTopic(2);
    QVERIFY(viewer.isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("2"));
    QVERIFY(!viewer.backButton()->isEnabled());

    const auto at = LinkPoint(viewer.browser(), QStringLiteral("topic:13"));
    QVERIFY(at.has_value());
    QTest::mouseClick(viewer.browser()->viewport(), Qt::LeftButton, {}, *at);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("13"));
    QVERIFY(viewer.browser()->toHtml().contains(QStringLiteral("Дискретный канал")));

    // Links that are not help topics are not followed, and nothing is handed to the system.
    emit viewer.browser()->anchorClicked(QUrl(QStringLiteral("https://example.org")));
    emit viewer.browser()->anchorClicked(QUrl(QStringLiteral("topic:3")));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("13"));

    QTest::mouseClick(viewer.backButton(), Qt::LeftButton);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("2"));
    QVERIFY(!viewer.backButton()->isEnabled());

    QTest::mouseClick(viewer.contentsButton(), Qt::LeftButton);
    QCOMPARE(viewer.currentTopic(), QStringLiteral("0"));
    viewer.ShowNamed(QStringLiteral("TabCycle"));
    QCOMPARE(viewer.currentTopic(), QStringLiteral("TabCycle"));
    viewer.ShowTopic(3); // no such topic: the contents
    QCOMPARE(viewer.currentTopic(), QStringLiteral("0"));
    viewer.GoBack();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("TabCycle"));
    viewer.GoBack();
    QCOMPARE(viewer.currentTopic(), QStringLiteral("0"));

    // At its opening size no page is wider than the window.
    for (const auto &[key, html] : AllPages()) {
        viewer.browser()->setHtml(html);
        QVERIFY2(viewer.browser()->horizontalScrollBar()->maximum() == 0, qPrintable(key));
    }

    // Closed and asked again, the same window comes back.
    viewer.close();
    viewer.ShowTopic(8);
    QVERIFY(viewer.isVisible());
    QCOMPARE(viewer.currentTopic(), QStringLiteral("8"));
}

void HelpTest::splashClosesOnlyByItsTimer() {
    constexpr int kMs = 150;
    SplashWindow splash(kMs);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QElapsedTimer clock;
    clock.start();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::keyClick(&splash, Qt::Key_Escape);
    QVERIFY(splash.isVisible());
    QVERIFY(!splash.close());
    QVERIFY(splash.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 5000);
    QVERIFY(clock.elapsed() >= kMs * 9 / 10);
    QCOMPARE(splash.result(), int(QDialog::Accepted));
}

void HelpTest::aboutBoxHasOneExitButton() {
    AboutDialog about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    const auto buttons = about.findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons.front()->text(), QStringLiteral("Выход"));
    QTest::mouseClick(buttons.front(), Qt::LeftButton);
    QVERIFY(!about.isVisible());
}

void HelpTest::screenshots() {
    if (qEnvironmentVariableIsEmpty("SPI_SCREENSHOT_DIR"))
        QSKIP("SPI_SCREENSHOT_DIR is not set");
    {
        SplashWindow splash(60000);
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        SaveShot(splash, QStringLiteral("splash.png"));
    }
    {
        AboutDialog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        SaveShot(about, QStringLiteral("about.png"));
    }
    HelpViewer viewer;
    viewer.ShowContents();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    SaveShot(viewer, QStringLiteral("help_contents.png"));
    viewer.ShowTopic(8);
    SaveShot(viewer, QStringLiteral("help_topic8.png"));
    viewer.ShowNamed(QStringLiteral("TabCycle"));
    SaveShot(viewer, QStringLiteral("help_tabcycle.png"));
    // The longest polynomials stand at the end of the table.
    viewer.browser()->verticalScrollBar()->setValue(
        viewer.browser()->verticalScrollBar()->maximum());
    SaveShot(viewer, QStringLiteral("help_tabcycle_end.png"));
}

QTEST_MAIN(HelpTest)
#include "help_test.moc"

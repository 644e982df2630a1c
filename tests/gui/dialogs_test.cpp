#include <QtTest>

class Placeholderdialogs : public QObject {
    Q_OBJECT
private slots:
    void builds() { QVERIFY(true); }
};

QTEST_MAIN(Placeholderdialogs)
#include "dialogs_test.moc"

#include <QtTest>

class Placeholderhelp : public QObject {
    Q_OBJECT
private slots:
    void builds() { QVERIFY(true); }
};

QTEST_MAIN(Placeholderhelp)
#include "help_test.moc"

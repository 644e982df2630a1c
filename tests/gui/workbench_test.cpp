#include <QtTest>

class Placeholderworkbench : public QObject {
    Q_OBJECT
private slots:
    void builds() { QVERIFY(true); }
};

QTEST_MAIN(Placeholderworkbench)
#include "workbench_test.moc"

#include <QtTest>

class Placeholder : public QObject {
    Q_OBJECT
private slots:
    void builds() { QVERIFY(true); }
};

QTEST_MAIN(Placeholder)
#include "curve_window_test.moc"

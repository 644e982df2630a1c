// The parameter dialogs driven as a user drives them: fields typed into, "Ввод", "Отмена" and the
// close box pressed, the pop-up "Цвет" chosen; what reaches the model is checked after each step.
#include "channel/discrete_channel.h"
#include "gui/dialogs/cont_channel1_dialog.h"
#include "gui/dialogs/cont_channel2_dialog.h"
#include "gui/dialogs/decision_device_dialog.h"
#include "gui/dialogs/disc_channel_dialog.h"
#include "gui/dialogs/interleaver_dialog.h"
#include "gui/dialogs/signal_dialog.h"
#include "gui/dialogs/stat_dialogs.h"
#include "gui/kit/gui_services.h"
#include "gui/kit/ui_kit.h"
#include "model/text_input.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

using namespace spi;
using namespace spi::gui;

namespace {

// The parameters a dialog may touch, and the two values shared by the windows.
struct Params {
    double probOne, modMd, contQ, contHp, contHc, h1, h2;
    std::int32_t contM, demodDm;
    std::array<double, 15> disc;
    std::array<double, 8> breaks;
    std::int32_t n, nb, a, c, l;
    std::int16_t criterion;
    std::uint8_t channelEntered, cancelled;
    std::int32_t color;
    bool operator==(const Params &) const = default;
};

Params Snapshot(const ModelState &m, const WindowValues &w) {
    return {
        m.probOne,         m.modMd,      m.contQ,   m.contHp,     m.contHc,      m.ruThreshold1,
        m.ruThreshold2,    m.contM,      m.demodDm, m.discParams, m.breakParams, m.stat1WordLength,
        m.wordCount,       m.ilvA,       m.ilvC,    m.ilvL,       m.ruCriterion, m.channelEntered,
        w.dialogCancelled, w.dialogColor};
}

// A model with its defaults, a recording notifier, and the user's hand in every modal wait.
struct Rig {
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    int shown = 0;
    // What the user does while the dialog is open; by default "Ввод" without typing.
    std::function<void(ParameterDialog &)> user;

    Rig() {
        services.execDialog = [this](QDialog &d) {
            ++shown;
            d.setResult(0); // as exec() does
            d.show();
            auto &p = static_cast<ParameterDialog &>(d);
            if (user)
                user(p);
            else
                Enter(p);
            d.hide();
            return d.result();
        };
        services.chooseColor = [](QWidget *, const QColor &) {
            return std::optional<QColor>(QColor(10, 20, 30));
        };
    }
    // The channel as the discrete-channel dialog leaves it: calculated and entered.
    void EnterChannel() {
        CalcDiscreteChannel(*model, notifier);
        model->channelEntered = 1;
        notifier.entries.clear();
    }
    static void Enter(ParameterDialog &d) { QTest::mouseClick(d.enterButton(), Qt::LeftButton); }
    static void Cancel(ParameterDialog &d) { QTest::mouseClick(d.cancelButton(), Qt::LeftButton); }
    static QLineEdit *Field(QWidget &d, const char *name) {
        auto *f = d.findChild<QLineEdit *>(QString::fromLatin1(name));
        if (!f)
            qFatal("no field %s", name);
        return f;
    }
    static void Type(QWidget &d, const char *name, const QString &text) {
        Field(d, name)->setText(text);
    }
};

// Every dialog by a short name, created once as the workstation does.
struct AnyDialog {
    std::unique_ptr<ParameterDialog> dialog;
    std::function<void()> runStep;
};

AnyDialog Make(const QString &name, GuiServices &s) {
    AnyDialog a;
    auto make = [&a](auto *d) {
        a.dialog.reset(d);
        a.runStep = [d] { d->RunStep(); };
    };
    if (name == QLatin1String("signal"))
        make(new SignalDialog(s));
    else if (name == QLatin1String("cont1"))
        make(new ContChannel1Dialog(s));
    else if (name == QLatin1String("cont2"))
        make(new ContChannel2Dialog(s));
    else if (name == QLatin1String("disc"))
        make(new DiscChannelDialog(s));
    else if (name == QLatin1String("decision"))
        make(new DecisionDeviceDialog(s));
    else if (name == QLatin1String("stat1"))
        make(new Stat1Dialog(s));
    else if (name == QLatin1String("stat2"))
        make(new Stat2Dialog(s));
    else if (name == QLatin1String("prm"))
        make(new InterleaverDialog(s));
    else
        qFatal("unknown dialog");
    return a;
}

const QStringList kAllDialogs = {QStringLiteral("signal"),   QStringLiteral("cont1"),
                                 QStringLiteral("cont2"),    QStringLiteral("disc"),
                                 QStringLiteral("decision"), QStringLiteral("stat1"),
                                 QStringLiteral("stat2"),    QStringLiteral("prm")};

bool Near(double a, double b) {
    return std::fabs(a - b) < 1e-12;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void cancelLeavesTheModelUnchanged_data();
    void cancelLeavesTheModelUnchanged();
    void enterWithoutTypingStoresTheValuesAsShown();
    void discreteChannelAfterStructureChoice();
    void discreteChannelBreakWarningAndHiddenDialog();
    void thresholdProposalOfTheContinuousChannel();
    void radioGroupsKeepTheirSelection();
    void decisionDeviceKeepsItsRuleWhenNotShown();
    void statDialogsStartTheRun();
    void realTextThatIsNoNumberKeepsTheDialogOpen_data();
    void realTextThatIsNoNumberKeepsTheDialogOpen();
    void integerFieldNamedInTheMessage_data();
    void integerFieldNamedInTheMessage();
    void realFieldReading();
    void captionsLabelsAndTypingLimits_data();
    void captionsLabelsAndTypingLimits();
    void colourItem_data();
    void colourItem();
    void screenshots();
};

void DialogsTest::cancelLeavesTheModelUnchanged_data() {
    QTest::addColumn<QString>("name");
    for (const QString &n : kAllDialogs)
        QTest::newRow(n.toLatin1().constData()) << n;
}

void DialogsTest::cancelLeavesTheModelUnchanged() {
    QFETCH(QString, name);
    Rig rig;
    rig.EnterChannel();
    AnyDialog d = Make(name, rig.services);
    const Params before = Snapshot(*rig.model, rig.services.window);
    rig.user = [](ParameterDialog &p) {
        // Everything the user could change, changed, then thrown away.
        for (QLineEdit *e : p.findChildren<QLineEdit *>())
            e->setText(QStringLiteral("0,75"));
        for (QRadioButton *b : p.findChildren<QRadioButton *>())
            b->click();
        Rig::Cancel(p);
    };
    d.runStep();
    QCOMPARE(rig.shown, 1);
    QVERIFY(Snapshot(*rig.model, rig.services.window) == before);
    QVERIFY(rig.notifier.entries.empty());
}

void DialogsTest::enterWithoutTypingStoresTheValuesAsShown() {
    Rig rig;
    ModelState &m = *rig.model;
    m.probOne = 0.123456;
    m.contQ = 0.012345;
    SignalDialog signal(rig.services);
    signal.RunStep();
    QCOMPARE(Rig::Field(signal, "Edit1")->text(), QStringLiteral("0.1235"));
    QCOMPARE(m.probOne, 0.1235);

    ContChannel1Dialog cont1(rig.services);
    m.channelEntered = 1;
    QVERIFY(cont1.RunStep());
    QCOMPARE(m.contQ, 0.0123);
    QCOMPARE(m.channelEntered, std::uint8_t(0));
    QCOMPARE(m.ruThreshold1, 3.0); // Hp, Hc and m unchanged: no proposal
    QCOMPARE(m.ruThreshold2, 0.6);

    m.contHp = 3.14159;
    m.contHc = 1.23456;
    m.ruThreshold1 = 7.77;
    m.channelEntered = 1;
    ContChannel2Dialog cont2(rig.services);
    cont2.RunStep();
    QVERIFY(cont2.entriesTaken());
    QCOMPARE(Rig::Field(cont2, "Edit1")->text(), QStringLiteral(" 3.142"));
    QCOMPARE(Rig::Field(cont2, "Edit2")->text(), QStringLiteral("1"));
    QCOMPARE(m.contHp, 3.142);
    QCOMPARE(m.contHc, 1.2346);
    QCOMPARE(m.ruThreshold1, 7.77); // this variant has no thresholds
    QCOMPARE(m.channelEntered, std::uint8_t(0));

    // An edited channel comes back rounded to the decimals the dialog shows.
    m.channelEntered = 1;
    m.discParams[kP0] = 0.412345678;
    m.discParams[kP1] = 0.387654321;
    m.discParams[kE0] = 0.0123456789;
    m.discParams[kE1] = 0.0234567891;
    m.discParams[kE2] = 0.3456789012;
    m.discParams[kP01] = 0.0111111111;
    m.discParams[kP21] = 0.0999999999;
    m.discParams[kPcp] = 0.05;
    DiscChannelDialog disc(rig.services);
    QVERIFY(disc.RunStep());
    QCOMPARE(m.discParams[kP0], 0.4123457);
    QCOMPARE(m.discParams[kP1], 0.3876543);
    QCOMPARE(m.discParams[kE0], 0.01234568);
    QCOMPARE(m.discParams[kE1], 0.02345679);
    QCOMPARE(m.discParams[kE2], 0.34567890);
    QCOMPARE(m.discParams[kP01], 0.0111111);
    QCOMPARE(m.discParams[kP21], 0.1);
    QVERIFY(Near(m.discParams[kP2], 1 - 0.4123457 - 0.3876543));

    InterleaverDialog prm(rig.services);
    m.ilvA = 3;
    m.ilvC = 17;
    m.ilvL = 4;
    prm.RunStep();
    QCOMPARE(Rig::Field(prm, "Edit2")->text(), QStringLiteral("17"));
    QCOMPARE(m.ilvC, 17);
    QVERIFY(rig.notifier.entries.empty());
}

void DialogsTest::discreteChannelAfterStructureChoice() {
    Rig rig;
    ModelState &m = *rig.model;
    DiscChannelDialog disc(rig.services);
    QStringList texts;
    rig.user = [&texts](ParameterDialog &p) {
        for (const char *f :
             {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8"})
            texts << Rig::Field(p, f)->text();
        texts << p.findChild<QLabel *>(QStringLiteral("Label10"))->text();
        Rig::Enter(p);
    };
    QVERIFY(disc.RunStep());
    QCOMPARE(texts, (QStringList{"0.4000000", "0.4000000", "0.12000000", "0.12000000", "0.12000000",
                                 "0.1000000", "0.1000000", "  0.0000000", "  0.12000000"}));
    QCOMPARE(m.channelEntered, std::uint8_t(1));
    const auto &d = m.discParams;
    QCOMPARE(d[kE0], 0.12);
    QVERIFY(Near(d[kP2], 0.2));
    QVERIFY(Near(d[kP00], 0.9) && Near(d[kP10], 0.1) && Near(d[kP12], 0.05));
    QVERIFY(Near(d[kP11], 0.85) && Near(d[kP22], 0.9) && Near(d[kPcp], 0.12));
    QVERIFY(d[kCk] > 0 && d[kCk] < 1);
    QVERIFY(rig.notifier.entries.empty());
}

void DialogsTest::discreteChannelBreakWarningAndHiddenDialog() {
    const char *warning = "В данном варианте КВИР перерывы не моделируются.";
    Rig rig;
    ModelState &m = *rig.model;
    rig.EnterChannel();
    DiscChannelDialog disc(rig.services);

    // A stored break probability is warned about and cleared also after "Отмена".
    m.breakParams[0] = 0.25;
    const auto disc0 = m.discParams;
    rig.user = [](ParameterDialog &p) {
        QCOMPARE(Rig::Field(p, "Edit8")->text(), QStringLiteral("  0.2500000"));
        Rig::Cancel(p);
    };
    QVERIFY(disc.RunStep());
    QVERIFY(rig.notifier.Has(warning));
    QCOMPARE(m.breakParams[0], 0.0);
    QCOMPARE(m.discParams, disc0);

    // One typed in: taken with the rest, then warned about and cleared.
    rig.notifier.entries.clear();
    rig.user = [](ParameterDialog &p) {
        Rig::Type(p, "Edit8", QStringLiteral("0.5"));
        Rig::Type(p, "Edit3", QStringLiteral("0.2"));
        Rig::Enter(p);
    };
    QVERIFY(disc.RunStep());
    QCOMPARE(rig.notifier.entries.size(), std::size_t(1));
    QCOMPARE(m.breakParams[0], 0.0);
    QCOMPARE(m.discParams[kE0], 0.2);

    // Pcp = 0: not shown, no warning, "Стат 1" stays as it was.
    rig.notifier.entries.clear();
    m.discParams = {};
    m.breakParams[0] = 0.3;
    rig.shown = 0;
    QVERIFY(!disc.RunStep());
    QCOMPARE(rig.shown, 0);
    QVERIFY(rig.notifier.entries.empty());
    QCOMPARE(m.breakParams[0], 0.3);
}

void DialogsTest::thresholdProposalOfTheContinuousChannel() {
    Rig rig;
    ModelState &m = *rig.model;
    ContChannel1Dialog cont1(rig.services);

    // Only Q changed: the typed thresholds are kept.
    rig.user = [](ParameterDialog &p) {
        Rig::Type(p, "Edit3", QStringLiteral("2.5"));
        Rig::Type(p, "Edit4", QStringLiteral("0,7"));
        Rig::Type(p, "Edit6", QStringLiteral("0.05"));
        Rig::Enter(p);
    };
    QVERIFY(cont1.RunStep());
    QCOMPARE(m.ruThreshold1, 2.5);
    QCOMPARE(m.ruThreshold2, 0.7);
    QCOMPARE(m.contQ, 0.05);

    // Hp changed: the typed thresholds give way to Hp + Hc and 0.2 of that, shown in the fields.
    rig.user = [](ParameterDialog &p) {
        Rig::Type(p, "Edit1", QStringLiteral("4"));
        Rig::Type(p, "Edit3", QStringLiteral("2.5"));
        Rig::Enter(p);
    };
    QVERIFY(cont1.RunStep());
    QCOMPARE(m.contHp, 4.0);
    QCOMPARE(m.ruThreshold1, 4.0);
    QCOMPARE(m.ruThreshold2, 0.8);
    QCOMPARE(Rig::Field(cont1, "Edit3")->text(), QStringLiteral("4.0000"));
    QCOMPARE(Rig::Field(cont1, "Edit4")->text(), QStringLiteral("0.8000"));

    // Diversity: H1 = Hc·m.
    rig.user = [](ParameterDialog &p) {
        Rig::Type(p, "Edit1", QStringLiteral("0"));
        Rig::Type(p, "Edit2", QStringLiteral("2"));
        Rig::Type(p, "Edit5", QStringLiteral("3"));
        Rig::Enter(p);
    };
    QVERIFY(cont1.RunStep());
    QCOMPARE(m.contM, 3);
    QCOMPARE(m.ruThreshold1, 6.0);
    QCOMPARE(m.ruThreshold2, 1.2);
    QVERIFY(rig.notifier.entries.empty());
}

void DialogsTest::radioGroupsKeepTheirSelection() {
    Rig rig;
    ModelState &m = *rig.model;
    ContChannel1Dialog cont1(rig.services);
    m.modMd = 1.0;
    m.demodDm = 0;
    QVERIFY(cont1.RunStep());
    auto *fm = cont1.findChild<QRadioButton *>(QStringLiteral("RadioGroup1Item1"));
    auto *incoherent = cont1.findChild<QRadioButton *>(QStringLiteral("RadioGroup2Item1"));
    QVERIFY(fm->isChecked() && incoherent->isChecked());
    QCOMPARE(m.modMd, 1.0);
    QCOMPARE(m.demodDm, 0);

    // A code the group does not have leaves ЧМ selected, and ЧМ is what comes back.
    m.modMd = 0.7;
    QVERIFY(cont1.RunStep());
    QCOMPARE(m.modMd, 1.0);

    // The user's choice is taken: ФМ and coherent.
    rig.user = [](ParameterDialog &p) {
        p.findChild<QRadioButton *>(QStringLiteral("RadioGroup1Item2"))->click();
        p.findChild<QRadioButton *>(QStringLiteral("RadioGroup2Item0"))->click();
        Rig::Enter(p);
    };
    ContChannel2Dialog cont2(rig.services);
    cont2.RunStep();
    QCOMPARE(m.modMd, 2.0);
    QCOMPARE(m.demodDm, 1);

    // A demodulator code outside the group selects nothing and comes back as it went in.
    m.demodDm = 5;
    rig.user = nullptr;
    cont2.RunStep();
    QCOMPARE(m.demodDm, 5);
}

void DialogsTest::decisionDeviceKeepsItsRuleWhenNotShown() {
    Rig rig;
    ModelState &m = *rig.model;
    DecisionDeviceDialog dd(rig.services);
    rig.user = [](ParameterDialog &p) {
        QCOMPARE(Rig::Field(p, "Edit1")->text(), QStringLiteral("0.12000000"));
        p.findChild<QRadioButton *>(QStringLiteral("RadioGroup1Item1"))->click();
        Rig::Enter(p);
    };
    dd.RunStep(); // channelEntered 0: calculated first
    QCOMPARE(rig.shown, 1);
    QCOMPARE(m.ruCriterion, std::int16_t(1));
    QCOMPARE(m.channelEntered, std::uint8_t(1));

    // Not shown (Pcp = 0): the rule is the group's last selection, whatever the model held.
    m.discParams[kPcp] = 0;
    m.ruCriterion = 0;
    dd.RunStep();
    QCOMPARE(rig.shown, 1);
    QCOMPARE(m.ruCriterion, std::int16_t(1));

    // Shown with the model's rule selected, whatever was selected before.
    m.discParams[kPcp] = 0.1;
    m.ruCriterion = 0;
    rig.user = nullptr;
    dd.RunStep();
    QCOMPARE(m.ruCriterion, std::int16_t(0));
}

void DialogsTest::statDialogsStartTheRun() {
    Rig rig;
    ModelState &m = *rig.model;
    Stat1Dialog stat1(rig.services);
    rig.user = [](ParameterDialog &p) {
        QCOMPARE(Rig::Field(p, "Edit1")->text(), QStringLiteral("36"));
        QCOMPARE(Rig::Field(p, "Edit2")->text(), QStringLiteral("1000"));
        Rig::Type(p, "Edit1", QStringLiteral("15"));
        Rig::Type(p, "Edit2", QStringLiteral(" 250 "));
        Rig::Enter(p);
    };
    QVERIFY(stat1.RunStep());
    QCOMPARE(m.stat1WordLength, 15);
    QCOMPARE(m.wordCount, 250);

    Stat2Dialog stat2(rig.services);
    rig.user = nullptr;
    QVERIFY(stat2.RunStep());
    QCOMPARE(m.wordCount, 250);
    // No words, or no code: stored, but no run and no message.
    rig.user = [](ParameterDialog &p) {
        Rig::Type(p, "Edit1", QStringLiteral("0"));
        Rig::Enter(p);
    };
    QVERIFY(!stat2.RunStep());
    QCOMPARE(m.wordCount, 0);
    rig.user = nullptr;
    m.wordCount = 100;
    m.codeN = 0;
    QVERIFY(!stat2.RunStep());
    QVERIFY(rig.notifier.entries.empty());
}

void DialogsTest::realTextThatIsNoNumberKeepsTheDialogOpen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("symbol"); // the message names the field by it
    QTest::newRow("signal") << "signal"
                            << "Edit1"
                            << "abc"
                            << "0,25"
                            << "P1";
    QTest::newRow("cont1 H2") << "cont1"
                              << "Edit4"
                              << "1.2.3"
                              << "0.5"
                              << "H2";
    QTest::newRow("cont2 Q") << "cont2"
                             << "Edit4"
                             << "x"
                             << ""
                             << "Q";
    QTest::newRow("disc E1") << "disc"
                             << "Edit4"
                             << "0.1e"
                             << "0.03"
                             << "E1";
    QTest::newRow("disc PP") << "disc"
                             << "Edit8"
                             << "inf"
                             << "0"
                             << "PP";
}

void DialogsTest::realTextThatIsNoNumberKeepsTheDialogOpen() {
    QFETCH(QString, name);
    QFETCH(QString, field);
    QFETCH(QString, bad);
    QFETCH(QString, good);
    QFETCH(QString, symbol);
    Rig rig;
    rig.EnterChannel();
    AnyDialog d = Make(name, rig.services);
    const Params before = Snapshot(*rig.model, rig.services.window);
    bool openAfterEnter = false, openAfterClose = false;
    int messages = 0;
    Params during{};
    rig.user = [&](ParameterDialog &p) {
        // Another field typed in too: none of it may be stored while one entry is bad.
        if (field != QLatin1String("Edit1"))
            Rig::Type(p, "Edit1", QStringLiteral("0.3"));
        QLineEdit *f = Rig::Field(p, field.toLatin1().constData());
        f->setText(bad);
        Rig::Enter(p);
        openAfterEnter = p.isVisible() && p.result() != QDialog::Accepted;
        p.close(); // the close box accepts, so it checks too
        openAfterClose = p.isVisible();
        messages = int(rig.notifier.entries.size());
        during = Snapshot(*rig.model, rig.services.window);
        QVERIFY(!f->styleSheet().isEmpty()); // marked
        f->setText(good);
        Rig::Enter(p);
    };
    d.runStep();
    QVERIFY(openAfterEnter);
    QVERIFY(openAfterClose);
    QCOMPARE(messages, 2);
    QCOMPARE(QString::fromStdString(rig.notifier.entries[0].text),
             QStringLiteral("«%1» — не число (поле %2)").arg(bad, symbol));
    QVERIFY(rig.notifier.entries[0].kind == MessageKind::Error);
    QVERIFY(during == before);
    // Corrected, the entries are taken (an empty field is 0, a decimal comma is read).
    QVERIFY(!(Snapshot(*rig.model, rig.services.window) == before));
    if (name == QLatin1String("signal"))
        QCOMPARE(rig.model->probOne, 0.25);
    if (name == QLatin1String("cont2"))
        QCOMPARE(rig.model->contQ, 0.0);
}

void DialogsTest::integerFieldNamedInTheMessage_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("other"); // a valid field typed in as well
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("message");
    QTest::newRow("stat1 NB") << "stat1"
                              << "Edit1"
                              << "Edit2"
                              << "abc"
                              << "Количество слов NB: 'abc' - недопустимое целое число.";
    QTest::newRow("stat1 n") << "stat1"
                             << "Edit2"
                             << "Edit1"
                             << ""
                             << "Длина кодового слова n: '' - недопустимое целое число.";
    QTest::newRow("stat2") << "stat2"
                           << ""
                           << "Edit1"
                           << "12x"
                           << "Количество блоков NB: '12x' - недопустимое целое число.";
    QTest::newRow("prm C") << "prm"
                           << "Edit1"
                           << "Edit2"
                           << "1.5"
                           << "Параметр С: '1.5' - недопустимое целое число.";
    QTest::newRow("cont1 m") << "cont1"
                             << "Edit1"
                             << "Edit5"
                             << "2,0"
                             << "Кратность разнесения m: '2,0' - недопустимое целое число.";
    QTest::newRow("cont2 m") << "cont2"
                             << "Edit1"
                             << "Edit2"
                             << "m"
                             << "Кратность разнесения m: 'm' - недопустимое целое число.";
}

void DialogsTest::integerFieldNamedInTheMessage() {
    QFETCH(QString, name);
    QFETCH(QString, other);
    QFETCH(QString, field);
    QFETCH(QString, bad);
    QFETCH(QString, message);
    Rig rig;
    AnyDialog d = Make(name, rig.services);
    const Params before = Snapshot(*rig.model, rig.services.window);
    bool open = false;
    rig.user = [&](ParameterDialog &p) {
        if (!other.isEmpty())
            Rig::Type(p, other.toLatin1().constData(), QStringLiteral("7"));
        Rig::Type(p, field.toLatin1().constData(), bad);
        Rig::Enter(p);
        open = p.isVisible();
        Rig::Cancel(p);
    };
    d.runStep();
    QVERIFY(open);
    QCOMPARE(rig.notifier.entries.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(rig.notifier.entries[0].text), message);
    QVERIFY(Snapshot(*rig.model, rig.services.window) == before);

    // The mark of the bad entry does not outlive the opening it was made in.
    bool marked = true;
    rig.user = [&](ParameterDialog &p) {
        marked = !Rig::Field(p, field.toLatin1().constData())->styleSheet().isEmpty();
        Rig::Cancel(p);
    };
    d.runStep();
    QVERIFY(!marked);
}

void DialogsTest::realFieldReading() {
    // What the check lets through is exactly what the engine reads as a number.
    for (const char *t : {"", "  ", "0.5", " 0,25 ", "+1e3", "-2", "\t3.0000"})
        QVERIFY2(IsDialogReal(QString::fromLatin1(t)), t);
    for (const char *t : {"abc", "1.2.3", "inf", "nan", "1,5,3", "0x10", "5 5", "--1", "1e"})
        QVERIFY2(!IsDialogReal(QString::fromLatin1(t)), t);
    QCOMPARE(ReadDialogReal(" 0,25 "), 0.25);
    QCOMPARE(ReadDialogReal("+1e3"), 1000.0);
}

void DialogsTest::captionsLabelsAndTypingLimits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("labels"); // captions of the fields, in order
    QTest::addColumn<QStringList>("groups"); // group titles and radio items, in order
    QTest::addColumn<QStringList>("limits"); // field=limit
    QTest::newRow("signal") << "signal"
                            << "Параметры сигнала" << QStringList{"Вероятность  \"1\"      P1:"}
                            << QStringList{} << QStringList{"Edit1=7"};
    QTest::newRow("cont1") << "cont1"
                           << "Непрерывный канал"
                           << QStringList{"Регулярная составляющая сигнал/помеха  Hp:",
                                          "Случайная составляющая сигнал/помеха    Hc:",
                                          "Пороговый уровень   H1:",
                                          "Пороговый уровень   H2:",
                                          "Кратность разнесения m:",
                                          "Скорость замираний   Q:"}
                           << QStringList{"Модулятор",   "АМ",          "ЧМ",           "ФМ",
                                          "Демодулятор", "когерентный", "некогерентный"}
                           << QStringList{"Edit1=12", "Edit2=12", "Edit3=12",
                                          "Edit4=12", "Edit5=12", "Edit6=12"};
    QTest::newRow("cont2") << "cont2"
                           << "Непрерывный канал"
                           << QStringList{"Регулярная составляющая сигнал/помеха  Hp:",
                                          "Cлучайная  составляющая сигнал/помеха   Hc:",
                                          "Кратность разнесения m:", "Скорость  замираний  Q:"}
                           << QStringList{"Модулятор",   "АМ",          "ЧМ",           "ФМ",
                                          "Демодулятор", "когерентный", "некогерентный"}
                           << QStringList{"Edit1=10", "Edit3=10", "Edit2=5", "Edit4=5"};
    QTest::newRow("disc") << "disc"
                          << "Дискретный канал"
                          << QStringList{"P0:",
                                         "P1:",
                                         "E0:",
                                         "E1:",
                                         "E2:",
                                         "P01:",
                                         "P21:",
                                         "Средняя вероятность ошибки   Pср:",
                                         "Вероятность перерыва    PP:"}
                          << QStringList{"Вероятности состояний", "Вероятности ошибок",
                                         "Переходные вероятности"}
                          << QStringList{"Edit1=10", "Edit2=10", "Edit3=10", "Edit4=10",
                                         "Edit5=10", "Edit6=10", "Edit7=10", "Edit8=10"};
    QTest::newRow("decision") << "decision"
                              << "Решающее устройство" << QStringList{"Средняя вероятность ошибки:"}
                              << QStringList{"Правило решения", "     МП", "     МАВ"}
                              << QStringList{"Edit1=8"};
    QTest::newRow("stat1") << "stat1"
                           << "Статистические испытания"
                           << QStringList{"Длина кодового слова    n:", "Количество слов   NB:"}
                           << QStringList{} << QStringList{"Edit1=8", "Edit2=8"};
    QTest::newRow("stat2") << "stat2"
                           << "Стат2" << QStringList{"Количество блоков  NB:"} << QStringList{}
                           << QStringList{"Edit1=8"};
    QTest::newRow("prm") << "prm"
                         << "Перемежитель"
                         << QStringList{"Параметр  А:", "Параметр  С:", "Параметр  L:"}
                         << QStringList{} << QStringList{"Edit1=10", "Edit2=10", "Edit3=10"};
}

void DialogsTest::captionsLabelsAndTypingLimits() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, groups);
    QFETCH(QStringList, limits);
    Rig rig;
    AnyDialog d = Make(name, rig.services);
    ParameterDialog &p = *d.dialog;
    QCOMPARE(p.windowTitle(), caption);
    QCOMPARE(p.enterButton()->text(), QStringLiteral("Ввод"));
    QCOMPARE(p.cancelButton()->text(), QStringLiteral("Отмена"));

    QStringList shownLabels;
    for (QLabel *l : p.findChildren<QLabel *>())
        if (l->objectName() != QLatin1String("Label10"))
            shownLabels << l->text();
    QCOMPARE(shownLabels, labels);

    QStringList shownGroups;
    for (QWidget *w : p.findChildren<QWidget *>()) {
        if (auto *g = qobject_cast<QGroupBox *>(w); g && !g->title().isEmpty())
            shownGroups << g->title();
        else if (auto *r = qobject_cast<QRadioButton *>(w))
            shownGroups << r->text();
    }
    QCOMPARE(shownGroups, groups);

    for (const QString &limit : limits) {
        const QStringList parts = limit.split(QLatin1Char('='));
        QLineEdit *f = Rig::Field(p, parts[0].toLatin1().constData());
        f->clear();
        QTest::keyClicks(f, QStringLiteral("12345678901234567890"));
        QCOMPARE(f->text().size(), parts[1].toInt());
        // A text the program writes is never cut to the typing limit.
        f->setText(QStringLiteral("  0.12345678901"));
        QCOMPARE(f->text(), QStringLiteral("  0.12345678901"));
    }
}

void DialogsTest::colourItem_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hasItem");
    // The signal, first continuous-channel, discrete-channel and test dialogs have it; the
    // second continuous-channel, decision-device and interleaver dialogs have none.
    for (const QString &n : kAllDialogs) {
        const bool has = n != QLatin1String("cont2") && n != QLatin1String("decision") &&
                         n != QLatin1String("prm");
        QTest::newRow(n.toLatin1().constData()) << n << has;
    }
}

void DialogsTest::colourItem() {
    QFETCH(QString, name);
    QFETCH(bool, hasItem);
    Rig rig;
    AnyDialog d = Make(name, rig.services);
    ParameterDialog &p = *d.dialog;
    QCOMPARE(p.contextMenuPolicy() == Qt::CustomContextMenu, hasItem);
    if (!hasItem)
        return;
    p.show();
    bool sawItem = false;
    QTimer::singleShot(0, [&sawItem] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        sawItem = menu->actions().size() == 1 &&
                  menu->actions().first()->text() == QStringLiteral("Цвет");
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    emit p.customContextMenuRequested(QPoint(10, 10));
    QVERIFY(sawItem);
    const QColor chosen(10, 20, 30);
    QCOMPARE(rig.services.window.dialogColor, ColorToModel(chosen));
    QCOMPARE(p.palette().color(QPalette::Window), chosen);
    p.hide();

    // The next opening of any dialog shows the shared colour.
    AnyDialog other = Make(QStringLiteral("cont2"), rig.services);
    QColor seen;
    rig.user = [&seen](ParameterDialog &q) {
        seen = q.palette().color(QPalette::Window);
        Rig::Cancel(q);
    };
    other.runStep();
    QCOMPARE(seen, chosen);
}

void DialogsTest::screenshots() {
    const QString dir = qEnvironmentVariable("SPI_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("SPI_SCREENSHOT_DIR not set");
    QDir().mkpath(dir);
    for (const QString &name : kAllDialogs) {
        Rig rig;
        rig.EnterChannel();
        AnyDialog d = Make(name, rig.services);
        bool saved = false;
        rig.user = [&](ParameterDialog &p) {
            QVERIFY(QTest::qWaitForWindowExposed(&p));
            saved = p.grab().save(dir + QStringLiteral("/dialog-") + name + QStringLiteral(".png"));
            Rig::Cancel(p);
        };
        d.runStep();
        QVERIFY2(saved, qPrintable(name));
    }
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"

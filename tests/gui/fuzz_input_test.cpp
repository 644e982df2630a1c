// Random text typed into every field of every dialog, then "Ввод": the program never crashes, and
// every press ends either with the entries stored as the engine reads them or with a message and
// the dialog still open, the model untouched. A dialog is never stored in part.
//
// The texts come from a fixed seed (SPI_GUI_FUZZ_SEED changes it, SPI_GUI_FUZZ_ROUNDS the number of
// presses per dialog): Cyrillic, digits, signs, numbers at and past the limits of a double and an
// int, very long texts, empty fields. Most are typed key by key, so the typing limits apply; some
// are set whole, as a paste past the limit or another program would.
#include "channel/discrete_channel.h"
#include "gui/dialogs/coder_window.h"
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

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>

using namespace spi;
using namespace spi::gui;

namespace {

int EnvInt(const char *name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

// --- Texts a user might type ---
class TextSource {
public:
    explicit TextSource(unsigned seed) : rng_(seed) {}

    QString Next() {
        static const QStringList kPieces = {
            QStringLiteral("0"),          QStringLiteral("1"),
            QStringLiteral("7"),          QStringLiteral("0.5"),
            QStringLiteral("0,25"),       QStringLiteral("-2"),
            QStringLiteral("+3"),         QStringLiteral("1e3"),
            QStringLiteral("1e308"),      QStringLiteral("1e309"),
            QStringLiteral("-1e-320"),    QStringLiteral("2147483647"),
            QStringLiteral("2147483648"), QStringLiteral("-2147483649"),
            QStringLiteral("99999999"),   QStringLiteral("nan"),
            QStringLiteral("inf"),        QStringLiteral("абв"),
            QStringLiteral("Ввод"),       QStringLiteral("ё"),
            QStringLiteral("№"),          QStringLiteral("нет"),
            QStringLiteral(" "),          QStringLiteral("\t"),
            QStringLiteral("."),          QStringLiteral(","),
            QStringLiteral("e"),          QStringLiteral("+-"),
            QStringLiteral("%"),          QStringLiteral("中"),
            QStringLiteral("😀"),          QStringLiteral("\u00A0"),
            QStringLiteral("0x1F"),       QStringLiteral("1,2,3"),
            QStringLiteral("35"),         QStringLiteral("~")};
        switch (Pick(8)) {
        case 0:
            return {};
        case 1:
            return kPieces[Pick(kPieces.size())];
        case 2: { // a number as a person writes one
            QString s = Pick(4) == 0 ? QStringLiteral("-") : QString();
            s += QString::number(Pick(100000));
            if (Pick(2))
                s += (Pick(2) ? QLatin1Char('.') : QLatin1Char(',')) + QString::number(Pick(1000));
            return s;
        }
        case 3: { // very long
            const QString unit = kPieces[Pick(kPieces.size())];
            QString s;
            while (s.size() < 300 && !unit.isEmpty())
                s += unit;
            return s;
        }
        default: { // a few pieces run together
            QString s;
            for (int i = 0, n = 1 + Pick(4); i < n; ++i)
                s += kPieces[Pick(kPieces.size())];
            return s;
        }
        }
    }
    // A text the field takes: odd but valid numbers included.
    QString NextValid(bool integer) {
        static const QStringList kIntegers = {
            QStringLiteral("0"),       QStringLiteral("-1"),         QStringLiteral(" 12 "),
            QStringLiteral("+7"),      QStringLiteral("2147483647"), QStringLiteral("-2147483648"),
            QStringLiteral("99999999")};
        static const QStringList kReals = {
            QStringLiteral(""),     QStringLiteral("0"),      QStringLiteral("0,5"),
            QStringLiteral("-0"),   QStringLiteral("1e308"),  QStringLiteral("-1e-320"),
            QStringLiteral("+1E3"), QStringLiteral("\t3.25"), QStringLiteral("1e-5")};
        if (Pick(2))
            return integer ? kIntegers[Pick(kIntegers.size())] : kReals[Pick(kReals.size())];
        QString s = Pick(4) == 0 ? QStringLiteral("-") : QString();
        s += QString::number(Pick(integer ? 5000 : 10));
        if (!integer && Pick(2))
            s += QLatin1Char('.') + QString::number(Pick(100000));
        return s;
    }
    int Pick(qsizetype n) {
        return static_cast<int>(std::uniform_int_distribution<qsizetype>(0, n - 1)(rng_));
    }

private:
    std::mt19937 rng_;
};

// Clears the field with the keyboard and types the text key by key, a surrogate pair as one key.
void TypeInto(QLineEdit *field, const QString &text) {
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.mid(i, len), Qt::NoModifier);
        i += len - 1;
    }
}

void Enter(TextSource &source, QLineEdit *field, const QString &text) {
    if (source.Pick(5) == 0)
        field->setText(text); // past the typing limit
    else
        TypeInto(field, text);
}
void Enter(TextSource &source, QLineEdit *field) {
    Enter(source, field, source.Next());
}

bool IsReal(const QString &t) {
    return IsDialogReal(t);
}
bool IsInteger(const QString &t) {
    return ParseInteger(t.toStdString()).has_value();
}
double Real(const QString &t) {
    return ReadDialogReal(t.toStdString());
}
std::int32_t Integer(const QString &t) {
    return *ParseInteger(t.toStdString());
}

// Two doubles as the same stored value (a NaN the field could never give is not expected).
bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Everything a parameter dialog can store.
struct Params {
    double probOne, modMd, contQ, contHp, contHc, h1, h2;
    std::int32_t contM, demodDm;
    std::array<double, 15> disc;
    std::array<double, 8> breaks;
    std::int32_t n, nb, a, c, l;
    std::int16_t criterion;
    bool operator==(const Params &) const = default;
};
Params Snapshot(const ModelState &m) {
    return {m.probOne,      m.modMd, m.contQ,   m.contHp,     m.contHc,      m.ruThreshold1,
            m.ruThreshold2, m.contM, m.demodDm, m.discParams, m.breakParams, m.stat1WordLength,
            m.wordCount,    m.ilvA,  m.ilvC,    m.ilvL,       m.ruCriterion};
}

// One parameter dialog: its fields (integer or real) and what a stored entry must look like.
struct DialogSpec {
    QString name;
    std::function<std::unique_ptr<ParameterDialog>(GuiServices &)> make;
    std::function<void(ParameterDialog &)> runStep;
    std::map<QString, bool>
        integerField; // object name -> integer (else real); others are shown only
    // Checks the model after an accepted "Ввод"; texts by field name, before = the model as shown.
    std::function<void(const ModelState &, const std::map<QString, QString> &, const Params &before,
                       const RecordingNotifier &)>
        stored;
};

template <class D>
DialogSpec Form(const char *name, std::map<QString, bool> fields,
                std::function<void(const ModelState &, const std::map<QString, QString> &,
                                   const Params &, const RecordingNotifier &)>
                    stored) {
    DialogSpec s;
    s.name = QString::fromLatin1(name);
    s.make = [](GuiServices &g) { return std::make_unique<D>(g); };
    s.runStep = [](ParameterDialog &d) { static_cast<D &>(d).RunStep(); };
    s.integerField = std::move(fields);
    s.stored = std::move(stored);
    return s;
}

#define EXPECT_STORED(cond)                                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            QTest::qFail("stored value: " #cond, __FILE__, __LINE__);                              \
    } while (0)

std::vector<DialogSpec> AllDialogs() {
    using T = std::map<QString, QString>;
    std::vector<DialogSpec> all;
    all.push_back(Form<SignalDialog>(
        "signal", {{"Edit1", false}},
        [](const ModelState &m, const T &t, const Params &, const RecordingNotifier &) {
            EXPECT_STORED(Same(m.probOne, Real(t.at("Edit1"))));
        }));
    all.push_back(Form<ContChannel1Dialog>(
        "cont1",
        {{"Edit1", false},
         {"Edit2", false},
         {"Edit3", false},
         {"Edit4", false},
         {"Edit5", true},
         {"Edit6", false}},
        [](const ModelState &m, const T &t, const Params &before, const RecordingNotifier &) {
            EXPECT_STORED(Same(m.contHp, Real(t.at("Edit1"))));
            EXPECT_STORED(Same(m.contHc, Real(t.at("Edit2"))));
            EXPECT_STORED(m.contM == Integer(t.at("Edit5")));
            EXPECT_STORED(Same(m.contQ, Real(t.at("Edit6"))));
            EXPECT_STORED(m.channelEntered == 0);
            // Thresholds typed are kept unless Hp, Hc or m changed, which proposes new ones.
            if (Same(m.contHp, before.contHp) && Same(m.contHc, before.contHc) &&
                m.contM == before.contM) {
                EXPECT_STORED(Same(m.ruThreshold1, Real(t.at("Edit3"))));
                EXPECT_STORED(Same(m.ruThreshold2, Real(t.at("Edit4"))));
            }
        }));
    all.push_back(Form<ContChannel2Dialog>(
        "cont2", {{"Edit1", false}, {"Edit2", true}, {"Edit3", false}, {"Edit4", false}},
        [](const ModelState &m, const T &t, const Params &, const RecordingNotifier &) {
            EXPECT_STORED(Same(m.contHp, Real(t.at("Edit1"))));
            EXPECT_STORED(m.contM == Integer(t.at("Edit2")));
            EXPECT_STORED(Same(m.contHc, Real(t.at("Edit3"))));
            EXPECT_STORED(Same(m.contQ, Real(t.at("Edit4"))));
        }));
    all.push_back(Form<DiscChannelDialog>(
        "disc",
        {{"Edit1", false},
         {"Edit2", false},
         {"Edit3", false},
         {"Edit4", false},
         {"Edit5", false},
         {"Edit6", false},
         {"Edit7", false},
         {"Edit8", false}},
        [](const ModelState &m, const T &t, const Params &before, const RecordingNotifier &n) {
            // The derivation may refuse the channel as a whole, with its message.
            if (n.Has("Некорректный ввод параметров!")) {
                EXPECT_STORED(m.discParams == before.disc);
                return;
            }
            const std::pair<const char *, int> fields[] = {
                {"Edit1", kP0}, {"Edit2", kP1},  {"Edit3", kE0}, {"Edit4", kE1},
                {"Edit5", kE2}, {"Edit6", kP01}, {"Edit7", kP21}};
            for (const auto &[f, i] : fields)
                EXPECT_STORED(Same(m.discParams[static_cast<std::size_t>(i)],
                                   Real(t.at(QString::fromLatin1(f)))));
            // A break probability is taken, warned about and cleared.
            EXPECT_STORED(m.breakParams[0] == 0);
            EXPECT_STORED(Real(t.at("Edit8")) == 0 ||
                          n.Has("В данном варианте КВИР перерывы не моделируются."));
        }));
    // Its one field only shows Pср: whatever is typed there is neither stored nor refused.
    all.push_back(Form<DecisionDeviceDialog>(
        "decision", {},
        [](const ModelState &m, const T &, const Params &before, const RecordingNotifier &) {
            EXPECT_STORED(m.discParams == before.disc);
        }));
    all.push_back(Form<Stat1Dialog>(
        "stat1", {{"Edit1", true}, {"Edit2", true}},
        [](const ModelState &m, const T &t, const Params &, const RecordingNotifier &) {
            EXPECT_STORED(m.stat1WordLength == Integer(t.at("Edit1")));
            EXPECT_STORED(m.wordCount == Integer(t.at("Edit2")));
        }));
    all.push_back(Form<Stat2Dialog>(
        "stat2", {{"Edit1", true}},
        [](const ModelState &m, const T &t, const Params &, const RecordingNotifier &) {
            EXPECT_STORED(m.wordCount == Integer(t.at("Edit1")));
        }));
    all.push_back(Form<InterleaverDialog>(
        "prm", {{"Edit1", true}, {"Edit2", true}, {"Edit3", true}},
        [](const ModelState &m, const T &t, const Params &, const RecordingNotifier &) {
            EXPECT_STORED(m.ilvA == Integer(t.at("Edit1")));
            EXPECT_STORED(m.ilvC == Integer(t.at("Edit2")));
            EXPECT_STORED(m.ilvL == Integer(t.at("Edit3")));
        }));
    return all;
}

// The model, the user's messages, and the user's hand in every modal wait.
struct Rig {
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    std::function<void(QDialog &)> user;

    Rig() {
        services.execDialog = [this](QDialog &d) {
            d.setResult(0);
            d.show();
            if (user)
                user(d);
            d.hide();
            return d.result();
        };
        services.chooseColor = [](QWidget *, const QColor &) { return std::optional<QColor>(); };
        SilentNotifier quiet;
        CalcDiscreteChannel(*model, quiet);
        model->channelEntered = 1;
    }
};

void ClickRandomRadio(TextSource &source, QWidget &w) {
    const auto radios = w.findChildren<QRadioButton *>();
    if (!radios.isEmpty() && source.Pick(2)) {
        QRadioButton *r = radios[source.Pick(radios.size())];
        if (r->isVisible() && r->isEnabled())
            r->click();
    }
}

// The coder window's entries that "Ввод" takes over.
struct CoderEntries {
    std::uint16_t codeType;
    std::string genPoly, inner;
    std::int32_t n, k, t;
    bool operator==(const CoderEntries &) const = default;
};
CoderEntries Entries(const ModelState &m) {
    return {m.codeType, m.genPolyText, m.innerPolyList, m.codeN, m.codeK, m.codeT};
}

} // namespace

class FuzzInputTest : public QObject {
    Q_OBJECT
private slots:
    void parameterDialogs_data();
    void parameterDialogs();
    void coderWindow();
};

void FuzzInputTest::parameterDialogs_data() {
    QTest::addColumn<int>("index");
    const auto all = AllDialogs();
    for (std::size_t i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].name.toLatin1().constData()) << static_cast<int>(i);
}

void FuzzInputTest::parameterDialogs() {
    QFETCH(int, index);
    const DialogSpec plan = AllDialogs()[static_cast<std::size_t>(index)];
    const int rounds = EnvInt("SPI_GUI_FUZZ_ROUNDS", 60);
    TextSource source(static_cast<unsigned>(EnvInt("SPI_GUI_FUZZ_SEED", 1) * 100 + index));
    Rig rig;
    auto dialog = plan.make(rig.services);
    int stored = 0, refused = 0;
    for (int round = 0; round < rounds; ++round) {
        std::map<QString, QString> texts;
        const Params atStart = Snapshot(*rig.model);
        Params before{};
        bool shownDialog = false, open = false;
        std::size_t messagesBeforeEnter = 0;
        rig.notifier.entries.clear();
        rig.user = [&](QDialog &d) {
            shownDialog = true;
            before = Snapshot(*rig.model);
            // A third of the presses have every entry valid, so that storing is tested as well.
            const bool allValid = source.Pick(3) == 0;
            for (QLineEdit *e : d.findChildren<QLineEdit *>()) {
                const auto kind = plan.integerField.find(e->objectName());
                const bool typable = e->isVisible() && e->isEnabled();
                if (typable && allValid && kind != plan.integerField.end())
                    Enter(source, e, source.NextValid(kind->second));
                else if (typable)
                    Enter(source, e);
                texts[e->objectName()] = e->text();
            }
            ClickRandomRadio(source, d);
            messagesBeforeEnter = rig.notifier.entries.size();
            QTest::mouseClick(static_cast<ParameterDialog &>(d).enterButton(), Qt::LeftButton);
            open = d.isVisible() && d.result() != QDialog::Accepted;
            if (open) {
                // Refused: said so, nothing of the dialog stored, and the dialog still waits.
                QVERIFY2(rig.notifier.entries.size() > messagesBeforeEnter,
                         "a refusal without a message");
                QVERIFY2(Snapshot(*rig.model) == before, "a refused dialog stored something");
                QTest::mouseClick(static_cast<ParameterDialog &>(d).cancelButton(), Qt::LeftButton);
            }
        };
        plan.runStep(*dialog);
        if (QTest::currentTestFailed()) {
            for (const auto &[field, text] : texts)
                qWarning() << field << text;
            return;
        }
        if (!shownDialog) {
            // A channel accepted earlier may have no Pср to show: nothing happens then. The next
            // round starts from the calculated channel again.
            QVERIFY(Snapshot(*rig.model) == atStart);
            SilentNotifier quiet;
            rig.model->channelEntered = 0;
            CalcDiscreteChannel(*rig.model, quiet);
            rig.model->channelEntered = 1;
            continue;
        }
        bool valid = true;
        for (const auto &[field, integer] : plan.integerField)
            valid = valid && (integer ? IsInteger(texts[field]) : IsReal(texts[field]));
        if (open) {
            ++refused;
            QVERIFY2(!valid, "every entry was good, yet the dialog refused them");
            QVERIFY(Snapshot(*rig.model) == before);
        } else {
            ++stored;
            QVERIFY2(valid, "a bad entry was taken");
            plan.stored(*rig.model, texts, before, rig.notifier);
            if (QTest::currentTestFailed()) {
                for (const auto &[field, text] : texts)
                    qWarning() << field << text;
                return;
            }
        }
    }
    qInfo("%s: %d presses stored, %d refused", qPrintable(plan.name), stored, refused);
    // The texts reach both answers, or the dialog has nothing that can be refused.
    QVERIFY(stored > 0);
    QVERIFY(refused > 0 || plan.integerField.empty());
}

void FuzzInputTest::coderWindow() {
    const int rounds = EnvInt("SPI_GUI_FUZZ_ROUNDS", 60);
    TextSource source(static_cast<unsigned>(EnvInt("SPI_GUI_FUZZ_SEED", 1) * 100 + 99));
    Rig rig;
    CoderWindow window(rig.services);
    int stored = 0, refused = 0;
    for (int round = 0; round < rounds; ++round) {
        rig.notifier.entries.clear();
        CoderEntries before{}, shown{};
        bool refusedOnEnter = false;
        std::size_t messagesBeforeEnter = 0;
        rig.user = [&](QDialog &d) {
            before = Entries(*rig.model);
            // A few clicks on the code types, the lists and the spin buttons, and typing.
            for (int action = 0, n = 2 + source.Pick(10); action < n; ++action) {
                switch (source.Pick(4)) {
                case 0:
                    ClickRandomRadio(source, d);
                    break;
                case 1: {
                    auto *list = d.findChild<QListWidget *>(QStringLiteral("ListBox1"));
                    if (list && list->isVisible() && list->count() > 0) {
                        QListWidgetItem *item = list->item(source.Pick(list->count()));
                        list->scrollToItem(item);
                        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                          list->visualItemRect(item).center());
                    }
                    break;
                }
                case 2: {
                    const auto buttons = d.findChildren<QAbstractButton *>();
                    QAbstractButton *b = buttons[source.Pick(buttons.size())];
                    const QString name = b->objectName();
                    // Not the closing buttons: "Ввод" comes last, "Отмена" is not what is tested.
                    if (name != QLatin1String("BitBtn1") && name != QLatin1String("BitBtn2") &&
                        b->isVisible() && b->isEnabled() && !qobject_cast<QRadioButton *>(b))
                        b->click();
                    break;
                }
                default: {
                    const auto edits = d.findChildren<QLineEdit *>();
                    QLineEdit *e = edits[source.Pick(edits.size())];
                    if (e->isVisible() && e->isEnabled() && !e->isReadOnly())
                        Enter(source, e);
                    break;
                }
                }
            }
            auto text = [&](const char *name) {
                return d.findChild<QLineEdit *>(QString::fromLatin1(name))->text().toStdString();
            };
            // The checked button's type (buttons 1..11 are types 0..10, the others carry their
            // type), or the stored type when none is checked.
            shown.codeType = before.codeType;
            for (QRadioButton *r : d.findChildren<QRadioButton *>())
                if (r->isChecked()) {
                    const int number = r->objectName().mid(11).toInt();
                    shown.codeType = static_cast<std::uint16_t>(number <= 11 ? number - 1 : number);
                }
            shown.genPoly = text("Edit1");
            shown.inner = text("Edit7");
            const auto n = ParseInteger(text("Edit2")), k = ParseInteger(text("Edit3")),
                       t = ParseInteger(text("Edit4"));
            shown.n = n.value_or(-1);
            shown.k = k.value_or(-1);
            shown.t = t.value_or(-1);
            messagesBeforeEnter = rig.notifier.entries.size();
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("BitBtn1")),
                              Qt::LeftButton);
            refusedOnEnter = d.isVisible() && d.result() != QDialog::Accepted;
            if (refusedOnEnter) {
                QVERIFY2(rig.notifier.entries.size() > messagesBeforeEnter,
                         "a refusal without a message");
                QVERIFY2(Entries(*rig.model) == before, "a refused window stored something");
                QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("BitBtn2")),
                                  Qt::LeftButton);
            }
        };
        const bool taken = window.RunStep();
        if (QTest::currentTestFailed())
            return;
        const CoderEntries after = Entries(*rig.model);
        if (taken) {
            ++stored;
            QCOMPARE(after.codeType, shown.codeType);
            QCOMPARE(after.genPoly, shown.genPoly);
            QCOMPARE(after.inner, shown.inner);
            QCOMPARE(after.n, shown.n);
            QCOMPARE(after.k, shown.k);
            QCOMPARE(after.t, shown.t);
        } else {
            ++refused;
            QVERIFY2(rig.notifier.entries.size() > messagesBeforeEnter,
                     "neither stored nor a message");
            if (!(after == before)) {
                qWarning() << "half-stored window: n" << before.n << "->" << after.n << "k"
                           << before.k << "->" << after.k << "Cm" << before.t << "->" << after.t
                           << "g(x)" << QString::fromStdString(before.genPoly) << "->"
                           << QString::fromStdString(after.genPoly);
                QFAIL("the window was stored in part");
            }
        }
    }
    qInfo("coder window: %d presses stored, %d refused", stored, refused);
    QVERIFY(stored > 0 && refused > 0);
}

QTEST_MAIN(FuzzInputTest)
#include "fuzz_input_test.moc"

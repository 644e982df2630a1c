// The coder window driven as a user drives it, beside a twin coder-settings model that receives
// the same events on a model of its own: after every click and key the window must show exactly
// what the twin holds, and both models must hold the same values.
#include "coding/code_setup.h"
#include "forms/coder_settings.h"
#include "gui/dialogs/coder_window.h"
#include "gui/kit/gui_services.h"
#include "gui/kit/ui_kit.h"
#include "io/data_file.h"
#include "model/text_input.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace spi;
using namespace spi::gui;

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString RadioName(int type) {
    return QStringLiteral("RadioButton%1").arg(type <= 10 ? type + 1 : type);
}

// What the coder window and its handlers may write into the model.
struct CoderValues {
    std::uint16_t codeType;
    std::string genPolyText, innerPolyList;
    std::int32_t codeN, codeK, codeT, convN0, convK0, termCount;
    std::array<std::uint8_t, 8> polyNumbers;
    std::uint16_t convPolyIndex;
    std::array<std::string, 7> tapStrings;
    bool operator==(const CoderValues &) const = default;
};

CoderValues Values(const ModelState &m) {
    return {m.codeType,    m.genPolyText,   m.innerPolyList,
            m.codeN,       m.codeK,         m.codeT,
            m.convN0,      m.convK0,        m.genPolyTermCount,
            m.polyNumbers, m.convPolyIndex, m.tapStrings};
}

std::vector<std::string> Texts(const RecordingNotifier &n) {
    std::vector<std::string> t;
    for (const auto &e : n.entries)
        t.push_back(e.text);
    return t;
}

class Rig {
public:
    std::unique_ptr<ModelState> model = MakeModel();
    RecordingNotifier notifier;
    GuiServices services{*model, notifier};
    CoderWindow window{services};

    std::unique_ptr<ModelState> twinModel = MakeModel();
    RecordingNotifier twinNotifier;
    CoderSettings twin;

    int shown = 0;

    Rig() {
        services.execDialog = [this](QDialog &d) {
            ++shown;
            d.setResult(0);
            d.show();
            twin.Open(*twinModel, twinNotifier);
            ShowPanelOfCheckedType(twin);
            Mirror();
            if (user_)
                user_();
            if (closeButton_)
                QTest::mouseClick(Get<QPushButton>(closeButton_), Qt::LeftButton);
            d.hide();
            return d.result();
        };
        services.chooseColor = [](QWidget *, const QColor &) {
            return std::optional<QColor>(QColor(10, 20, 30));
        };
    }

    // The stage button "УЗО" on both sides: the user acts while the window is shown and closes
    // it with "Ввод" (BitBtn1), "Отмена" (BitBtn2) or, given nullptr, with the close box.
    // refusal: the message with which "Ввод" refuses the window's fields; the window then stays
    // open and, when whoever showed it gives up, takes nothing, as "Отмена" would.
    bool Step(const char *closeButton, std::function<void()> user = {},
              const char *refusal = nullptr) {
        closeButton_ = closeButton;
        user_ = std::move(user);
        const bool taken = window.RunStep();
        const bool accepted =
            !refusal && (!closeButton || std::string_view(closeButton) == "BitBtn1");
        if (refusal)
            twinNotifier.Error(refusal);
        const CoderCloseOutcome twinOutcome = twin.Close(*twinModel, twinNotifier, accepted);
        if (taken != (twinOutcome == CoderCloseOutcome::Accepted))
            QTest::qFail("RunStep and the twin's Close disagree", __FILE__, __LINE__);
        Mirror();
        return taken;
    }

    template <typename T> T *Get(const char *name) const {
        auto *w = window.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QRadioButton *Radio(int type) const {
        auto *r = window.findChild<QRadioButton *>(RadioName(type));
        if (!r)
            qFatal("no radio button for type %d", type);
        return r;
    }

    // --- The user's hand, and the same event for the twin ---
    void Click(const char *name) { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
    void CheckType(int type) {
        // On the indicator: a radio button reacts to clicks on its indicator and caption only.
        QRadioButton *r = Radio(type);
        QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(8, r->height() / 2));
        twin.CheckType(type, *twinModel, twinNotifier);
        Mirror();
    }
    void Other(bool fromCyclic) {
        Click(fromCyclic ? "BitBtn3" : "BitBtn4");
        fromCyclic ? twin.OtherCodesOnCyclicPanel() : twin.OtherCodesOnConvolutionalPanel();
        Mirror();
    }
    void ChooseRow(int row) {
        auto *list = Get<QListWidget>("ListBox1");
        QListWidgetItem *item = list->item(row - 1);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
        twin.ChoosePolynomial(row, *twinModel, twinNotifier);
        Mirror();
    }
    void Reset() {
        Click("Button1");
        twin.ResetSelection(*twinModel);
        Mirror();
    }
    void CloseSelection() {
        Click("Button2");
        twin.CloseSelection();
        Mirror();
    }
    void NumberSpin(bool up) {
        Click(up ? "SpinButton1Up" : "SpinButton1Down");
        up ? twin.NumberUp(*twinModel, twinNotifier) : twin.NumberDown(*twinModel, twinNotifier);
        Mirror();
    }
    void RateSpin(bool up) {
        Click(up ? "SpinButton2Up" : "SpinButton2Down");
        up ? twin.RateUp(*twinModel) : twin.RateDown(*twinModel);
        Mirror();
    }
    // Types over the whole field, key by key: the first key replaces the selected text, each
    // further key is added to what the field then shows (which the number entry may rewrite).
    void Type(const char *name, const QString &text) {
        auto *edit = Get<QLineEdit>(name);
        QVERIFY2(edit->isEnabled() && edit->isVisible(), name);
        edit->setFocus();
        edit->selectAll();
        for (qsizetype i = 0; i < text.size(); ++i) {
            QTest::keyClicks(edit, QString(text[i]));
            const std::string shown = i == 0 ? std::string() : TwinField(name).text;
            TwinType(name, shown + QString(text[i]).toStdString());
            Mirror();
        }
    }
    void Erase(const char *name) {
        auto *edit = Get<QLineEdit>(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        TwinType(name, "");
        Mirror();
    }

    // Every control against the twin, and the window's model against the twin's model.
    void Mirror() {
        if (QTest::currentTestFailed())
            return; // the first difference is the one worth reading
        auto *panels = Get<QStackedWidget>("Panels");
        const char *panel = twin.Panel() == CoderPanel::Cyclic          ? "CyclicPanel"
                            : twin.Panel() == CoderPanel::Convolutional ? "ConvolutionalPanel"
                                                                        : "SelectionPanel";
        QCOMPARE(panels->currentWidget()->objectName(), QString::fromLatin1(panel));
        for (int t = 0; t <= 18; ++t)
            if (t != 11)
                QCOMPARE(Radio(t)->isChecked(), twin.CheckedType() == t);
        const std::pair<const char *, const CoderField *> fields[] = {
            {"Edit1", &twin.GenPoly()},  {"Edit2", &twin.CodeN()},  {"Edit3", &twin.CodeK()},
            {"Edit4", &twin.Cm()},       {"Edit5", &twin.Number()}, {"Edit6", &twin.Rate()},
            {"Edit7", &twin.InnerList()}};
        for (const auto &[name, field] : fields) {
            auto *edit = Get<QLineEdit>(name);
            QVERIFY2(edit->text() == QString::fromStdString(field->text), name);
            QVERIFY2(edit->isEnabled() == field->enabled, name);
            QVERIFY2(edit->isHidden() == !field->visible, name);
        }
        QCOMPARE(Get<QLabel>("Label4")->text(), QString::fromStdString(twin.CmLabel()));
        QCOMPARE(Get<QLineEdit>("Edit13")->text(), QString::fromStdString(twin.Total()));
        auto *selected = Get<QListWidget>("ListBox2");
        QCOMPARE(static_cast<std::size_t>(selected->count()), twin.Selected().size());
        for (int i = 0; i < selected->count(); ++i)
            QCOMPARE(selected->item(i)->text(), QString::fromStdString(twin.Selected()[i]));
        for (const auto &[name, spin] : {std::pair{"SpinButton1", &twin.NumberSpin()},
                                         std::pair{"SpinButton2", &twin.RateSpin()}}) {
            auto *w = Get<QWidget>(name);
            QVERIFY2(w->isEnabled() == spin->enabled, name);
            QVERIFY2(w->isHidden() == !spin->visible, name);
        }
        QVERIFY(Values(*model) == Values(*twinModel));
        QVERIFY(Texts(notifier) == Texts(twinNotifier));
        if (window.isVisible()) {
            // Nothing clipped, and the window keeps its size whatever it shows.
            auto *label4 = Get<QLabel>("Label4");
            QVERIFY(label4->width() >= label4->sizeHint().width());
            if (!size_.isValid())
                size_ = window.size();
            QCOMPARE(window.size(), size_);
        }
    }

private:
    void TwinType(const char *name, const std::string &text) {
        const std::string_view n = name;
        if (n == "Edit1")
            twin.TypeGenPoly(text);
        else if (n == "Edit2")
            twin.TypeCodeN(text);
        else if (n == "Edit3")
            twin.TypeCodeK(text);
        else if (n == "Edit4")
            twin.TypeCm(text);
        else if (n == "Edit5")
            twin.TypeNumber(text, *twinModel, twinNotifier);
        else if (n == "Edit7")
            twin.TypeInnerList(text);
        else
            qFatal("field %s is not typed into", name);
    }
    const CoderField &TwinField(const char *name) const {
        const std::string_view n = name;
        if (n == "Edit1")
            return twin.GenPoly();
        if (n == "Edit2")
            return twin.CodeN();
        if (n == "Edit3")
            return twin.CodeK();
        if (n == "Edit4")
            return twin.Cm();
        if (n == "Edit5")
            return twin.Number();
        return twin.InnerList();
    }

    const char *closeButton_ = nullptr;
    std::function<void()> user_;
    QSize size_;
};

QString Text(const Rig &rig, const char *name) {
    return rig.Get<QLineEdit>(name)->text();
}

} // namespace

class CoderWindowTest : public QObject {
    Q_OBJECT
private slots:
    void panelsHoldTheButtonsInOrderWithWholeCaptions();
    void everyButtonMirrorsTheModel();
    void openingChecksTheStoredType();
    void polynomialSelectionAndRate();
    void numberSpinAndClamps();
    void otherCodesSwitchesPanelsAndUnchecks();
    void enterTakesOverAndParses();
    void typingLimitNeverCutsALongerText();
    void cancelKeepsTheModelButParsesAgain();
    void nonIntegerStopsTheTakingOver();
    void dataFileClearsTheButtons();
    void screenshots();
};

void CoderWindowTest::panelsHoldTheButtonsInOrderWithWholeCaptions() {
    Rig rig;
    rig.window.show();
    const std::pair<const char *, std::span<const int>> panels[] = {
        {"CyclicPanel", CyclicPanelTypes()}, {"ConvolutionalPanel", ConvolutionalPanelTypes()}};
    for (const auto &[name, types] : panels) {
        auto *panel = rig.Get<QGroupBox>(name);
        rig.Get<QStackedWidget>("Panels")->setCurrentWidget(panel);
        QCoreApplication::processEvents();
        QVERIFY(panel->width() >= panel->sizeHint().width());
        QCOMPARE(panel->title(), QStringLiteral("Тип кода и декодера"));
        auto radios = panel->findChildren<QRadioButton *>();
        std::sort(radios.begin(), radios.end(),
                  [](QRadioButton *a, QRadioButton *b) { return a->y() < b->y(); });
        QCOMPARE(static_cast<std::size_t>(radios.size()), types.size());
        for (std::size_t i = 0; i < types.size(); ++i) {
            QCOMPARE(radios[i]->objectName(), RadioName(types[i]));
            QCOMPARE(radios[i]->text(), Q(RadioCaption(types[i])));
            QVERIFY2(radios[i]->width() >= radios[i]->sizeHint().width(),
                     qPrintable(radios[i]->text()));
        }
    }
    // The letters the captions are known by survive the way into the widgets.
    QVERIFY(rig.Radio(14)->text().startsWith(QStringLiteral("Циклически") + QLatin1Char('e')));
    QVERIFY(rig.Radio(13)->text().endsWith(QLatin1Char(' ')));
    QCOMPARE(rig.Get<QPushButton>("Button2")->text(), QStringLiteral("O K"));
    QCOMPARE(rig.Get<QPushButton>("BitBtn1")->text(), QStringLiteral("Ввод"));
    QCOMPARE(rig.Get<QPushButton>("BitBtn2")->text(), QStringLiteral("Отмена"));
    QCOMPARE(rig.Get<QLabel>("Label4")->text(), Q(kCmLabelInitial));
    QCOMPARE(rig.Get<QWidget>("SpinButton1")->toolTip(),
             QStringLiteral("Изменение номера многочлена"));
    QCOMPARE(rig.Get<QWidget>("SpinButton2")->toolTip(),
             QStringLiteral("Изменение скорости свёрточного кода R=k0/n0"));
    auto *list = rig.Get<QListWidget>("ListBox1");
    QCOMPARE(list->count(), kTapRows);
    QCOMPARE(list->item(30)->text(), QStringLiteral("31: 0,2,5,6"));
    QVERIFY(!rig.Get<QWidget>("ListBox2")->isEnabled());
    QVERIFY(rig.Get<QLineEdit>("Edit13")->isReadOnly());
}

void CoderWindowTest::everyButtonMirrorsTheModel() {
    Rig rig;
    rig.Step("BitBtn2", [&] {
        for (int t : CyclicPanelTypes()) {
            rig.CheckType(t);
            if (t == 0 || t == 14 || IsNonBinaryCodeType(t)) {
                rig.NumberSpin(true);
                if (rig.Get<QLineEdit>("Edit5")->isEnabled())
                    rig.Type("Edit5", QStringLiteral("7"));
                rig.NumberSpin(false);
            }
        }
        rig.Other(true);
        for (int t : ConvolutionalPanelTypes()) {
            rig.CheckType(t);
            if (IsPolynomialSetType(t)) {
                rig.ChooseRow(31);
                rig.ChooseRow(32);
                rig.RateSpin(true);
                if (t == 16)
                    rig.Type("Edit7", QStringLiteral("5,6"));
                rig.RateSpin(false);
                rig.CloseSelection();
            } else if (t == 1) {
                rig.Type("Edit5", QStringLiteral("45"));
                rig.NumberSpin(false);
            }
        }
        rig.Other(false);
        // Back to types whose fields a fixed type had locked, and a second click on a button.
        rig.CheckType(0);
        rig.Type("Edit5", QStringLiteral("12"));
        rig.CheckType(0);
        rig.CheckType(5);
        // After a fixed code the non-binary types keep g(x) and the number locked: the number
        // is then changed with the spin button only.
        rig.CheckType(13);
        rig.NumberSpin(true);
        rig.Type("Edit2", QStringLiteral("23"));
        rig.Type("Edit3", QStringLiteral("12"));
        rig.Type("Edit4", QStringLiteral("3"));
        rig.CheckType(0);
        rig.Type("Edit1", QStringLiteral("5343"));
    });
    QCOMPARE(rig.shown, 1);
}

void CoderWindowTest::openingChecksTheStoredType() {
    Rig rig;
    for (int t = 0; t <= 18; ++t) {
        if (t == 11)
            continue;
        for (ModelState *m : {rig.model.get(), rig.twinModel.get()}) {
            m->codeType = static_cast<std::uint16_t>(t);
            m->codeN = 100 + t;
            m->codeK = 50 + t;
            m->codeT = t;
            m->genPolyText = "13";
            m->innerPolyList = "3,4";
        }
        rig.Step("BitBtn2", [&] {
            QVERIFY(rig.Radio(t)->isChecked());
            QCOMPARE(Text(rig, "Edit2"), QString::number(100 + t));
            QCOMPARE(Text(rig, "Edit1"), QStringLiteral("13"));
            const bool selection = IsPolynomialSetType(t);
            QVERIFY(rig.Get<QWidget>(selection                              ? "SelectionPanel"
                                     : PanelOfType(t) == CoderPanel::Cyclic ? "CyclicPanel"
                                                                            : "ConvolutionalPanel")
                        ->isVisible());
        });
    }
    // Opened again on the same type, the button is still checked and runs nothing: the fields
    // show the model, not the type's defaults.
    for (ModelState *m : {rig.model.get(), rig.twinModel.get()}) {
        m->codeType = 2;
        m->codeN = 24;
    }
    rig.Step("BitBtn2", [&] { rig.CheckType(2); });
    rig.Step("BitBtn2", [&] {
        QCOMPARE(Text(rig, "Edit2"), QStringLiteral("24"));
        QVERIFY(!rig.Get<QLineEdit>("Edit2")->isEnabled());
    });
}

void CoderWindowTest::polynomialSelectionAndRate() {
    Rig rig;
    rig.Step("BitBtn1", [&] {
        rig.Other(true);
        rig.CheckType(7);
        QVERIFY(rig.Get<QWidget>("SelectionPanel")->isVisible());
        QVERIFY(!rig.Get<QWidget>("Edit5")->isVisible());
        QVERIFY(!rig.Get<QWidget>("Edit7")->isVisible());
        rig.Reset();
        rig.ChooseRow(31);
        rig.ChooseRow(32);
        QCOMPARE(rig.model->convN0, 3);
        QCOMPARE(Text(rig, "Edit2"), QStringLiteral("36"));
        QCOMPARE(Text(rig, "Edit3"), QStringLiteral("12"));
        QCOMPARE(Text(rig, "Edit6"), QStringLiteral("1/3"));
        QCOMPARE(Text(rig, "Edit13"), QStringLiteral("2"));
        QCOMPARE(Text(rig, "Edit1"), QStringLiteral(" 0,2,5,6, 0,8,9,12,"));
        QCOMPARE(rig.Get<QListWidget>("ListBox2")->item(0)->text(), QStringLiteral("31(4)"));
        rig.RateSpin(true);
        QCOMPARE(Text(rig, "Edit6"), QStringLiteral("2/3"));
        QCOMPARE(rig.model->convK0, 2);
        QCOMPARE(Text(rig, "Edit3"), QStringLiteral("24"));
        QCOMPARE(Text(rig, "Edit4"), QStringLiteral("6"));
        rig.RateSpin(false);
        QCOMPARE(Text(rig, "Edit6"), QStringLiteral("1/3"));
        QCOMPARE(Text(rig, "Edit4"), QStringLiteral("5"));
        rig.RateSpin(true);
        rig.CloseSelection();
        QVERIFY(rig.Get<QWidget>("ConvolutionalPanel")->isVisible());
        QVERIFY(rig.Radio(7)->isChecked());
    });
    QCOMPARE(rig.model->codeType, 7);
    QCOMPARE(rig.model->codeN, 36);
    QCOMPARE(rig.model->codeK, 24);
    QCOMPARE(rig.model->genPolyTermCount, 8);

    // Type 16 shows the inner code's field; "Сброс" empties the selection.
    rig.Step("BitBtn1", [&] {
        rig.CheckType(16);
        QVERIFY(rig.Get<QWidget>("Edit7")->isVisible());
        rig.Type("Edit7", QStringLiteral("31,32"));
        rig.ChooseRow(40);
        rig.Reset();
        QCOMPARE(rig.Get<QListWidget>("ListBox2")->count(), 0);
        QCOMPARE(Text(rig, "Edit13"), QStringLiteral("0"));
        rig.ChooseRow(31);
    });
    QCOMPARE(rig.model->innerPolyList, std::string("31,32"));
}

void CoderWindowTest::numberSpinAndClamps() {
    Rig rig;
    rig.Step("BitBtn1", [&] {
        rig.CheckType(0);
        rig.NumberSpin(true);
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("36"));
        rig.Erase("Edit5");
        rig.NumberSpin(false);
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("34"));
        rig.Type("Edit5", QStringLiteral("1"));
        rig.NumberSpin(false);
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("1"));
        QCOMPARE(Text(rig, "Edit1"), QStringLiteral("13"));

        rig.Type("Edit5", QStringLiteral("90"));
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("87"));
        QVERIFY(Text(rig, "Edit4").toInt() <= 5);
        rig.CheckType(14);
        rig.Type("Edit5", QStringLiteral("80"));
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("76"));
        rig.CheckType(13);
        rig.Type("Edit5", QStringLiteral("20"));
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("1"));
        QCOMPARE(Text(rig, "Edit1"), QStringLiteral("нет"));
        rig.Other(true);
        rig.CheckType(1);
        rig.Type("Edit5", QStringLiteral("200"));
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("170"));
        rig.NumberSpin(true);
        QCOMPARE(Text(rig, "Edit5"), QStringLiteral("170"));
        rig.Type("Edit5", QStringLiteral("31"));
        QCOMPARE(Text(rig, "Edit1"), QStringLiteral("0,2,5,6"));
    });
    QCOMPARE(rig.model->codeType, 1);
    QCOMPARE(rig.model->polyNumbers[0], 31);
}

void CoderWindowTest::otherCodesSwitchesPanelsAndUnchecks() {
    Rig rig;
    rig.model->codeType = rig.twinModel->codeType = 3;
    rig.Step("BitBtn1", [&] {
        QVERIFY(rig.Radio(3)->isChecked());
        rig.Other(true);
        QVERIFY(rig.Get<QWidget>("ConvolutionalPanel")->isVisible());
        QVERIFY(!rig.Get<QWidget>("CyclicPanel")->isVisible());
        QVERIFY(!rig.Radio(3)->isChecked());
        rig.CheckType(8);
        rig.Other(false);
        QVERIFY(rig.Get<QWidget>("CyclicPanel")->isVisible());
        QVERIFY(!rig.Radio(8)->isChecked());
    });
    // Nothing checked: the type stays, the rest is taken from the fields.
    QCOMPARE(rig.model->codeType, 3);
    QCOMPARE(rig.model->codeN, 24);
}

void CoderWindowTest::enterTakesOverAndParses() {
    Rig rig;
    rig.services.window.dialogColor = 0x00332211;
    QVERIFY(rig.Step("BitBtn1", [&] {
        QCOMPARE(rig.window.palette().color(QPalette::Window), QColor(0x11, 0x22, 0x33));
        rig.CheckType(0);
        rig.Type("Edit5", QStringLiteral("5"));
    }));
    QCOMPARE(rig.model->codeType, 0);
    QCOMPARE(rig.model->genPolyText, std::string("2467"));
    QCOMPARE(rig.model->codeN, 15);
    QCOMPARE(rig.model->codeK, 5);
    QCOMPARE(rig.model->codeT, 3);
    QCOMPARE(rig.model->genPolyTermCount, 7);
    QVERIFY(rig.notifier.entries.empty());

    // A g(x) that is not octal is taken over and refused by the parser; the step still counts.
    QVERIFY(rig.Step("BitBtn1", [&] { rig.Type("Edit1", QStringLiteral("36")); }));
    QCOMPARE(rig.model->genPolyText, std::string("36"));
    QVERIFY(rig.notifier.Has("Ошибка ввода g(x)."));
    QCOMPARE(rig.model->genPolyTermCount, 0);

    // The close box accepts as "Ввод" does.
    QVERIFY(rig.Step(nullptr, [&] {
        rig.Type("Edit5", QStringLiteral("4"));
        rig.window.close();
    }));
    QCOMPARE(rig.model->genPolyText, std::string("721"));
}

void CoderWindowTest::typingLimitNeverCutsALongerText() {
    // Row 76 of the table has an 85-digit g(x), past the field's 50 characters. The user deletes
    // its last digit, and a digit typed on top of that may not make it longer again.
    Rig rig;
    std::string g;
    QVERIFY(rig.Step("BitBtn1", [&] {
        rig.CheckType(0);
        rig.Type("Edit5", QStringLiteral("76"));
        auto *edit = rig.Get<QLineEdit>("Edit1");
        g = edit->text().toStdString();
        QCOMPARE(g.size(), std::size_t(85));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClick(edit, Qt::Key_Backspace);
        rig.twin.TypeGenPoly(g.substr(0, 84));
        rig.Mirror();
        QTest::keyClicks(edit, QStringLiteral("7"));
        rig.twin.TypeGenPoly(g.substr(0, 84) + "7");
        rig.Mirror();
        QCOMPARE(edit->text().size(), 84);
    }));
    QCOMPARE(rig.model->genPolyText, g.substr(0, 84));
}

void CoderWindowTest::cancelKeepsTheModelButParsesAgain() {
    Rig rig;
    for (ModelState *m : {rig.model.get(), rig.twinModel.get()}) {
        m->codeType = 2;
        m->codeN = 23;
        m->codeK = 12;
        m->codeT = 3;
        m->genPolyText = "5343";
        m->genPolyTermCount = 0;
    }
    QVERIFY(!rig.Step("BitBtn2", [&] {
        rig.CheckType(0);
        rig.Type("Edit5", QStringLiteral("9"));
    }));
    QCOMPARE(rig.model->codeType, 2);
    QCOMPARE(rig.model->codeN, 23);
    QCOMPARE(rig.model->genPolyText, std::string("5343"));
    QCOMPARE(rig.model->genPolyTermCount, 7);
    QCOMPARE(rig.model->genPolyTerms[6], 11);
    QCOMPARE(rig.services.window.dialogCancelled, 0);
    // The number entry wrote its row at once, as the handlers do.
    QCOMPARE(rig.model->polyNumbers[0], 9);
}

void CoderWindowTest::nonIntegerStopsTheTakingOver() {
    Rig rig;
    rig.model->genPolyTermCount = rig.twinModel->genPolyTermCount = 42;
    // "Ввод" with a k that is not an integer: the message, the field marked, the window not
    // accepted, and nothing of it in the model (no half-taken settings).
    QVERIFY(!rig.Step(
        "BitBtn1",
        [&] {
            rig.CheckType(0);
            rig.Type("Edit5", QStringLiteral("8"));
            rig.Type("Edit3", QStringLiteral("2x"));
            rig.Type("Edit4", QStringLiteral("9"));
        },
        InvalidIntegerMessage("2x").c_str()));
    QVERIFY(rig.notifier.Has(InvalidIntegerMessage("2x")));
    QVERIFY(!rig.Get<QLineEdit>("Edit3")->styleSheet().isEmpty());
    QCOMPARE(rig.model->codeType, 5);
    QCOMPARE(rig.model->genPolyText, std::string("35"));
    QCOMPARE(rig.model->codeN, 7);
    QCOMPARE(rig.model->codeK, 3);
    QCOMPARE(rig.model->codeT, 1);
    QCOMPARE(rig.model->genPolyTermCount, 4); // the stored g(x) parsed again, as after "Отмена"
}

void CoderWindowTest::dataFileClearsTheButtons() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = QDir(dir.path()).filePath(QStringLiteral("code.dat")).toStdString();

    Rig rig;
    rig.Step("BitBtn1", [&] {
        rig.Other(true);
        rig.CheckType(1);
        rig.Type("Edit5", QStringLiteral("31"));
    });
    // The file holds type 1 too, with other numbers.
    rig.model->codeN = 99;
    QVERIFY(SaveDataFile(*rig.model, path, rig.notifier));

    DataFileHooks hooks;
    hooks.clearCoderButtons = [&] { rig.window.ClearCodeTypeButtons(); };
    QVERIFY(OpenDataFile(*rig.model, path, rig.notifier, hooks));
    for (int t = 0; t <= 18; ++t)
        if (t != 11)
            QVERIFY(!rig.Radio(t)->isChecked());
    rig.twin.ClearTypeSelection();
    QVERIFY(OpenDataFile(*rig.twinModel, path, rig.twinNotifier));

    // The button of the file's type runs its handler again: the number field is emptied and
    // the fields show the file.
    rig.Step("BitBtn2", [&] {
        QVERIFY(rig.Radio(1)->isChecked());
        QVERIFY(rig.Get<QWidget>("ConvolutionalPanel")->isVisible());
        QCOMPARE(Text(rig, "Edit5"), QString());
        QCOMPARE(Text(rig, "Edit2"), QStringLiteral("99"));
        QCOMPARE(Text(rig, "Edit1"), QStringLiteral("0,2,5,6"));
    });
}

void CoderWindowTest::screenshots() {
    const QString dir = qEnvironmentVariable("SPI_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("SPI_SCREENSHOT_DIR not set");
    QDir().mkpath(dir);
    const auto save = [&](Rig &rig, const QString &name) {
        QVERIFY(rig.window.grab().save(QDir(dir).filePath(name)));
    };
    Rig rig;
    rig.Step("BitBtn2", [&] {
        rig.CheckType(0);
        rig.Type("Edit5", QStringLiteral("10"));
        save(rig, QStringLiteral("coder_cyclic.png"));
        rig.Other(true);
        rig.CheckType(1);
        rig.Type("Edit5", QStringLiteral("31"));
        save(rig, QStringLiteral("coder_convolutional.png"));
        rig.CheckType(16);
        rig.Type("Edit7", QStringLiteral("31,32"));
        rig.ChooseRow(31);
        rig.ChooseRow(32);
        save(rig, QStringLiteral("coder_selection.png"));
    });
}

QTEST_MAIN(CoderWindowTest)
#include "coder_window_test.moc"

// The parameter dialogs of the page: each hands the fields it shows to the engine's models of the
// dialogs (forms/channel_forms.h, forms/coder_settings.h) and back, as a JavaScript object of
// texts and item numbers. What the fields mean and what "Ввод" does is the engine's.
#include "forms/channel_forms.h"
#include "forms/channel_step.h"
#include "model/text_input.h"
#include "page_session.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>

namespace {

using emscripten::val;
using spi::web::Answer;
using spi::web::Steps;

std::string Text(const val &fields, const char *name) {
    return fields[name].as<std::string>();
}

int Item(const val &fields, const char *name) {
    return fields[name].as<int>();
}

// A step that always completes, with the messages it gave.
template <typename F> val Taken(F &&step) {
    return Answer(Steps().Take([&](spi::ModelState &m, spi::Notifier &note) {
        step(m, note);
        return true;
    }));
}

// What a real-valued channel field holds, as "Ввод" checks it: blanks around, a decimal point or
// comma, a leading plus; empty reads as 0.
bool CheckReal(const std::string &text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return true;
    std::string number = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    for (char &c : number)
        if (c == ',')
            c = '.';
    return spi::ParseFiniteReal(number).has_value();
}

// --- "Параметры сигнала" ---
val FillSignal() {
    val out = val::object();
    out.set("probOne", spi::FillSignalDialog(Steps().Model()).probOne);
    return out;
}

val AcceptSignal(const val &f) {
    return Taken([&](spi::ModelState &m, spi::Notifier &) {
        spi::AcceptSignalDialog(m, {Text(f, "probOne")});
    });
}

// --- "Непрерывный канал", both variants ---
val FillContChannel1() {
    const spi::ContChannel1Fields f = spi::FillContChannel1Dialog(Steps().Model());
    val out = val::object();
    out.set("hp", f.hp);
    out.set("hc", f.hc);
    out.set("h1", f.h1);
    out.set("h2", f.h2);
    out.set("m", f.m);
    out.set("q", f.q);
    out.set("modulator", f.modulator);
    out.set("demodulator", f.demodulator);
    return out;
}

val AcceptContChannel1(const val &in) {
    return Taken([&](spi::ModelState &m, spi::Notifier &) {
        spi::ContChannel1Fields f{Text(in, "hp"),        Text(in, "hc"),         Text(in, "h1"),
                                  Text(in, "h2"),        Text(in, "m"),          Text(in, "q"),
                                  Item(in, "modulator"), Item(in, "demodulator")};
        spi::AcceptContChannel1Dialog(m, f);
    });
}

val FillContChannel2() {
    const spi::ContChannel2Fields f = spi::FillContChannel2Dialog(Steps().Model());
    val out = val::object();
    out.set("hp", f.hp);
    out.set("m", f.m);
    out.set("hc", f.hc);
    out.set("q", f.q);
    out.set("modulator", f.modulator);
    out.set("demodulator", f.demodulator);
    return out;
}

val AcceptContChannel2(const val &in) {
    return Taken([&](spi::ModelState &m, spi::Notifier &) {
        const spi::ContChannel2Fields f{Text(in, "hp"),        Text(in, "m"),
                                        Text(in, "hc"),        Text(in, "q"),
                                        Item(in, "modulator"), Item(in, "demodulator")};
        spi::AcceptContChannel2Dialog(m, f);
    });
}

// --- "Дискретный канал" ---
const char *const kDiscNames[8] = {"p0", "p1", "e0", "e1", "e2", "p01", "p21", "pp"};

std::string *DiscTexts(spi::DiscChannelFields &f, int i) {
    std::string *texts[8] = {&f.p0, &f.p1, &f.e0, &f.e1, &f.e2, &f.p01, &f.p21, &f.pp};
    return texts[i];
}

// The answer carries `fields` when the dialog is shown.
val OpenDiscChannel() {
    std::optional<spi::DiscChannelFields> shown;
    val out = Taken([&](spi::ModelState &m, spi::Notifier &note) {
        shown = spi::OpenDiscChannelDialog(m, note);
    });
    if (!shown)
        return out;
    val fields = val::object();
    for (int i = 0; i < 8; ++i)
        fields.set(kDiscNames[i], *DiscTexts(*shown, i));
    fields.set("pcpLabel", shown->pcpLabel);
    out.set("fields", fields);
    return out;
}

val AcceptDiscChannel(const val &in) {
    return Taken([&](spi::ModelState &m, spi::Notifier &note) {
        spi::DiscChannelFields f;
        for (int i = 0; i < 8; ++i)
            *DiscTexts(f, i) = Text(in, kDiscNames[i]);
        spi::AcceptDiscChannelDialog(m, f, note);
    });
}

// After the dialog, accepted or cancelled: the break warning; then the channel step finds the
// channel entered and "Стат 1" runs on it.
val FinishDiscChannel() {
    Taken([](spi::ModelState &m, spi::Notifier &note) { spi::FinishDiscChannelDialog(m, note); });
    return Answer(Steps().ChannelStep());
}

// --- "Решающее устройство" ---
val OpenDecisionDevice() {
    std::optional<spi::DecisionDeviceFields> shown;
    val out = Taken([&](spi::ModelState &m, spi::Notifier &note) {
        shown = spi::OpenDecisionDeviceDialog(m, note);
    });
    if (!shown)
        return out;
    val fields = val::object();
    fields.set("criterion", shown->criterion);
    fields.set("pcp", shown->pcp);
    out.set("fields", fields);
    return out;
}

// Unless cancelled, also when the dialog was not shown: the rule the page's group shows.
val AcceptDecisionDevice(int criterion) {
    return Taken([&](spi::ModelState &m, spi::Notifier &) {
        spi::AcceptDecisionDeviceDialog(m, {criterion, std::string()});
    });
}

// After the dialog, whatever became of it: the channel step finds what "Стат 1" runs on. When no
// channel was entered it calculates the channel again, and what it says was said on opening.
val FinishDecisionDevice() {
    auto &said = spi::web::Messages().entries;
    const std::size_t before = said.size();
    const spi::StepResult step = Steps().ChannelStep();
    said.resize(before);
    return Answer(step);
}

// --- "Перемежитель": A, C and L as the model holds them ---
val FillInterleaver() {
    const spi::ModelState &m = Steps().Model();
    val out = val::object();
    out.set("a", std::to_string(m.ilvA));
    out.set("c", std::to_string(m.ilvC));
    out.set("l", std::to_string(m.ilvL));
    return out;
}

// The entries are integers once "Ввод" has checked them; anything else stores nothing.
val AcceptInterleaver(const val &in) {
    const auto a = spi::ParseInteger(Text(in, "a"));
    const auto c = spi::ParseInteger(Text(in, "c"));
    const auto l = spi::ParseInteger(Text(in, "l"));
    return Taken([&](spi::ModelState &m, spi::Notifier &) {
        if (!a || !c || !l)
            return;
        m.ilvA = *a;
        m.ilvC = *c;
        m.ilvL = *l;
    });
}

} // namespace

EMSCRIPTEN_BINDINGS(spi_web_dialogs) {
    emscripten::function("checkReal", &CheckReal);
    emscripten::function("fillSignal", &FillSignal);
    emscripten::function("acceptSignal", &AcceptSignal);
    emscripten::function("fillContChannel1", &FillContChannel1);
    emscripten::function("acceptContChannel1", &AcceptContChannel1);
    emscripten::function("fillContChannel2", &FillContChannel2);
    emscripten::function("acceptContChannel2", &AcceptContChannel2);
    emscripten::function("openDiscChannel", &OpenDiscChannel);
    emscripten::function("acceptDiscChannel", &AcceptDiscChannel);
    emscripten::function("finishDiscChannel", &FinishDiscChannel);
    emscripten::function("openDecisionDevice", &OpenDecisionDevice);
    emscripten::function("acceptDecisionDevice", &AcceptDecisionDevice);
    emscripten::function("finishDecisionDevice", &FinishDecisionDevice);
    emscripten::function("fillInterleaver", &FillInterleaver);
    emscripten::function("acceptInterleaver", &AcceptInterleaver);
}

// "УЗО" of the page: the coder window's controls handed to the engine's model of the window
// (forms/coder_settings.h), and what the window shows handed back after each.
#include "coding/code_catalogue.h"
#include "forms/coder_settings.h"
#include "page_session.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>

namespace {

using emscripten::val;
using spi::web::Answer;
using spi::web::CoderWindow;
using spi::web::Steps;

void Push(val &array, const val &item) {
    array.set(array["length"], item);
}

val Field(const spi::CoderField &f) {
    val out = val::object();
    out.set("text", f.text);
    out.set("enabled", f.enabled);
    out.set("visible", f.visible);
    return out;
}

val Spin(const spi::CoderSpin &s) {
    val out = val::object();
    out.set("enabled", s.enabled);
    out.set("visible", s.visible);
    return out;
}

val Texts(const std::vector<std::string> &lines) {
    val out = val::array();
    for (const auto &l : lines)
        Push(out, val(l));
    return out;
}

// What the window shows now.
val CoderView() {
    const spi::CoderSettings &c = CoderWindow();
    val out = val::object();
    out.set("checked", c.CheckedType() ? *c.CheckedType() : -1);
    out.set("panel", static_cast<int>(c.Panel()));
    out.set("cmLabel", c.CmLabel());
    out.set("genPoly", Field(c.GenPoly()));
    out.set("codeN", Field(c.CodeN()));
    out.set("codeK", Field(c.CodeK()));
    out.set("cm", Field(c.Cm()));
    out.set("number", Field(c.Number()));
    out.set("rate", Field(c.Rate()));
    out.set("innerList", Field(c.InnerList()));
    out.set("total", c.Total());
    out.set("numberSpin", Spin(c.NumberSpin()));
    out.set("rateSpin", Spin(c.RateSpin()));
    out.set("selected", Texts(c.Selected()));
    return out;
}

// What never changes: each panel's radio buttons (type, caption, whether its polynomials are
// chosen from the list) and the polynomial list.
val CoderLayout() {
    val out = val::object();
    const auto panel = [](std::span<const int> types) {
        val buttons = val::array();
        for (int t : types) {
            val b = val::object();
            b.set("type", t);
            b.set("caption", std::string(spi::RadioCaption(t)));
            b.set("polynomialSet", spi::IsPolynomialSetType(t));
            Push(buttons, b);
        }
        return buttons;
    };
    out.set("cyclic", panel(spi::CyclicPanelTypes()));
    out.set("convolutional", panel(spi::ConvolutionalPanelTypes()));
    out.set("list", Texts(CoderWindow().PolynomialList()));
    return out;
}

// The stage window's "УЗО": the window filled from the model.
val CoderOpen() {
    const val answer = Answer(Steps().Take([](spi::ModelState &m, spi::Notifier &note) {
        CoderWindow().Open(m, note);
        return true;
    }));
    val out = CoderView();
    out.set("status", answer["status"]);
    return out;
}

// One control of the window: a radio button, "Другие", a row of the list, "Сброс", "O K", a spin
// button, or a field typed into; `arg` is the type, the row or the text.
val CoderAct(const std::string &control, const val &arg) {
    Steps().Take([&](spi::ModelState &m, spi::Notifier &note) {
        spi::CoderSettings &c = CoderWindow();
        if (control == "type")
            c.CheckType(arg.as<int>(), m, note);
        else if (control == "otherCyclic")
            c.OtherCodesOnCyclicPanel();
        else if (control == "otherConvolutional")
            c.OtherCodesOnConvolutionalPanel();
        else if (control == "polynomial")
            c.ChoosePolynomial(arg.as<int>(), m, note);
        else if (control == "reset")
            c.ResetSelection(m);
        else if (control == "closeSelection")
            c.CloseSelection();
        else if (control == "numberUp")
            c.NumberUp(m, note);
        else if (control == "numberDown")
            c.NumberDown(m, note);
        else if (control == "rateUp")
            c.RateUp(m);
        else if (control == "rateDown")
            c.RateDown(m);
        else if (control == "number")
            c.TypeNumber(arg.as<std::string>(), m, note);
        else if (control == "genPoly")
            c.TypeGenPoly(arg.as<std::string>());
        else if (control == "codeN")
            c.TypeCodeN(arg.as<std::string>());
        else if (control == "codeK")
            c.TypeCodeK(arg.as<std::string>());
        else if (control == "cm")
            c.TypeCm(arg.as<std::string>());
        else if (control == "innerList")
            c.TypeInnerList(arg.as<std::string>());
        return true;
    });
    return CoderView();
}

// "Ввод" (accepted) or "Отмена"; taken when the settings were taken over.
val CoderClose(bool accepted) {
    return Answer(Steps().Take([&](spi::ModelState &m, spi::Notifier &note) {
        return CoderWindow().Close(m, note, accepted) == spi::CoderCloseOutcome::Accepted;
    }));
}

} // namespace

EMSCRIPTEN_BINDINGS(spi_web_coder) {
    emscripten::function("coderLayout", &CoderLayout);
    emscripten::function("coderOpen", &CoderOpen);
    emscripten::function("coderAct", &CoderAct);
    emscripten::function("coderView", &CoderView);
    emscripten::function("coderClose", &CoderClose);
}

// The engine for the page: one session of the user's steps (research/user_steps.h) at a time,
// each step answering as spi-sim takes it, the run's JSON record as spi-sim writes it with
// --json, the results window's texts and the test report's bytes. The steps are the engine's;
// this file only hands their answers to JavaScript.
#include "chain/draw_budget.h"
#include "chain/stat_runs.h"
#include "io/run_json.h"
#include "io/session_files.h"
#include "model/notifier.h"
#include "model/text_input.h"
#include "page_session.h"
#include "research/user_steps.h"

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/heap.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

namespace spi::web {

namespace {
struct Session {
    Session() : steps(Messages()) {}
    UserSteps steps;
    CoderSettings coder;
};

std::unique_ptr<Session> &Current() {
    static std::unique_ptr<Session> session;
    return session;
}

Session &Started() {
    if (!Current())
        Current() = std::make_unique<Session>();
    return *Current();
}

const char *StatusName(StepStatus s) {
    switch (s) {
    case StepStatus::Taken:
        return "taken";
    case StepStatus::BadValue:
        return "badValue";
    case StepStatus::TapsMissing:
        return "tapsMissing";
    case StepStatus::Refused:
        break;
    }
    return "refused";
}
} // namespace

RecordingNotifier &Messages() {
    static RecordingNotifier notifier;
    return notifier;
}

UserSteps &Steps() {
    return Started().steps;
}

CoderSettings &CoderWindow() {
    return Started().coder;
}

emscripten::val Answer(const StepResult &r) {
    emscripten::val out = emscripten::val::object();
    out.set("status", std::string(StatusName(r.status)));
    out.set("message", r.message);
    return out;
}

} // namespace spi::web

namespace {

using emscripten::val;
using spi::web::Answer;
using spi::web::Messages;
using spi::web::Steps;

// Arrays are filled by index, never with val::call: that keeps the JavaScript method it calls in a
// C++ static, which a worker started from a saved image of this memory would not know.
void Push(val &array, const val &item) {
    array.set(array["length"], item);
}

// The start-up defaults, a session of its own.
void Reset() {
    spi::web::Current() = std::make_unique<spi::web::Session>();
}

val SetField(const std::string &assignment) {
    return Answer(Steps().SetField(assignment));
}

val ChooseStructure(int structure) {
    return Answer(Steps().ChooseStructure(structure));
}

// number < 0: the type's radio button with its defaults alone.
val ChooseCode(int type, int number) {
    return Answer(Steps().ChooseCode(type, number < 0 ? std::nullopt : std::optional<int>(number)));
}

val ChooseTaps(const val &rows) {
    return Answer(Steps().ChooseTaps(emscripten::vecFromJSArray<int>(rows)));
}

val ChooseRate(bool up) {
    return Answer(Steps().ChooseRate(up));
}

val ChannelStep() {
    return Answer(Steps().ChannelStep());
}

val CoderStep() {
    return Answer(Steps().CoderStep());
}

// "Ввод" of the test dialogs: the entries converted as the dialogs convert them.
val AcceptStat1(const std::string &nText, const std::string &nbText) {
    return Answer(Steps().Take([&](spi::ModelState &m, spi::Notifier &note) {
        return spi::AcceptStat1Dialog(m, nText, nbText, note);
    }));
}

val AcceptStat2(const std::string &nbText) {
    return Answer(Steps().Take([&](spi::ModelState &m, spi::Notifier &note) {
        return spi::AcceptStat2Dialog(m, nbText, note);
    }));
}

// What the test dialogs say of an entry that is not a decimal integer; empty for one that is.
std::string CheckInteger(const std::string &text) {
    return spi::ParseInteger(text) ? std::string() : spi::InvalidIntegerMessage(text);
}

// The model's values the page shows or decides by.
val State() {
    const spi::ModelState &m = Steps().Model();
    val out = val::object();
    out.set("channelType", static_cast<int>(m.channelType));
    out.set("channelEntered", static_cast<int>(m.channelEntered));
    out.set("codeType", static_cast<int>(m.codeType));
    out.set("codeN", static_cast<int>(m.codeN));
    out.set("codeK", static_cast<int>(m.codeK));
    out.set("wordCount", static_cast<int>(m.wordCount));
    out.set("stat1WordLength", static_cast<int>(m.stat1WordLength));
    return out;
}

val TakeMessages() {
    val out = val::array();
    for (const auto &e : Messages().entries) {
        val one = val::object();
        one.set("kind", std::string(e.kind == spi::MessageKind::Warning ? "warning"
                                    : e.kind == spi::MessageKind::Error ? "error"
                                                                        : "information"));
        one.set("text", e.text);
        Push(out, one);
    }
    Messages().entries.clear();
    return out;
}

// Hands the run's progress to a JavaScript function (position 1..100, words done). The counter
// comes every few words: it goes to JavaScript at most every 40 ms, the clock being read once in
// 64 counts, since a call into JavaScript for each would cost the run a good part of its time.
class PageProgress : public spi::RunProgress {
public:
    explicit PageProgress(val report) : report_(std::move(report)) {}
    void Advance(int count) override {
        position_ = count;
        Report();
    }
    void Counter(long long words) override {
        words_ = words;
        if (++counts_ % 64 == 0 && emscripten_get_now() - shown_ >= kReportMs)
            Report();
    }

private:
    static constexpr double kReportMs = 40;
    void Report() {
        shown_ = emscripten_get_now();
        report_(position_, static_cast<double>(words_));
    }
    val report_;
    int position_ = 0;
    long long words_ = 0;
    unsigned counts_ = 0;
    double shown_ = 0;
};

val StringArray(const std::vector<std::string> &texts) {
    val out = val::array();
    for (const auto &t : texts)
        Push(out, val(t));
    return out;
}

val ResultsTexts(const spi::ResultsView &v) {
    val out = val::object();
    out.set("header1", v.header1);
    out.set("header2", v.header2);
    val rows = val::array();
    for (const auto &r : v.rows)
        Push(rows, StringArray({r[0], r[1], r[2]}));
    out.set("rows", rows);
    out.set("volume", v.volume);
    out.set("detection", v.detection);
    out.set("capacity", v.capacity);
    out.set("pErrIn", v.pErrIn);
    out.set("pErrOut", v.pErrOut);
    out.set("theoryRows", StringArray(v.theoryRows));
    out.set("theoryLines", StringArray(v.theoryLines));
    return out;
}

val Numbers(const double *values, std::size_t count) {
    val out = val::array();
    for (std::size_t i = 0; i < count; ++i)
        Push(out, val(values[i]));
    return out;
}

// What "Рисунок" plots: the multiplicities of the table's rows before and after decoding, the
// theory's distribution before decoding where the run has it, or why it has none.
val ChartValues(const spi::ModelState &m, std::size_t rows) {
    val out = val::object();
    out.set("before", Numbers(m.multBefore.data(), std::min(rows, m.multBefore.size())));
    out.set("after", Numbers(m.multAfter.data(), std::min(rows, m.multAfter.size())));
    const auto &theory = m.theory.multBefore;
    out.set("theory", Numbers(theory.data(), std::min(rows, theory.size())));
    out.set("theoryAbsent", m.theory.theoryAbsent);
    return out;
}

// The test on the model's settings; seedText empty: the clock, as the workstation seeds a run.
// The answer carries the JSON record, and whether the results window opens with its texts.
val Run(bool stat2, const std::string &seedText, val progressReport) {
    spi::RunSettings s;
    s.stat2 = stat2;
    if (seedText.empty())
        Steps().Model().fixedSeed.reset();
    else
        s.seed = static_cast<std::uint32_t>(std::strtoul(seedText.c_str(), nullptr, 10));
    PageProgress progress(std::move(progressReport));
    const spi::RunRecord r = Steps().Run(s, &progress);
    val out = Answer(r.step);
    if (!r.step.Taken())
        return out;
    std::ostringstream json;
    spi::WriteJson(json, r, spi::ProgramProvenance("spi-web"));
    out.set("json", json.str());
    out.set("showResults", r.result.showResults);
    out.set("table", ResultsTexts(r.table));
    out.set("chart", ChartValues(Steps().Model(), r.table.rows.size()));
    return out;
}

// Whether the run the test dialog's entries would start needs more draws than the generator's
// cycle, and what the user is then told before it starts; the model is not changed.
val PlannedDraws(bool stat2, const std::string &lengthText, const std::string &countText) {
    auto m = std::make_unique<spi::ModelState>(Steps().Model());
    if (const auto nb = spi::ParseInteger(countText))
        m->wordCount = *nb;
    if (const auto n = spi::ParseInteger(lengthText); n && !stat2)
        m->stat1WordLength = *n;
    const spi::RunDraws d = spi::PlannedRunDraws(*m, stat2);
    val out = val::object();
    out.set("exceeds", d.ExceedsCycle());
    out.set("text", d.ExceedsCycle() ? spi::GeneratorCycleWarning(d) + " Продолжить?" : "");
    return out;
}

// The test report in code page 1251, box-drawn or plain; null when it was refused.
val ReportBytes(bool boxForm) {
    std::string bytes;
    if (!spi::TestReportBytes(Steps(), boxForm, &bytes).Taken())
        return val::null();
    const auto view = emscripten::typed_memory_view(
        bytes.size(), reinterpret_cast<const unsigned char *>(bytes.data()));
    return val::global("Uint8Array").new_(view); // a copy: the bytes go with the string
}

// Grows the memory to at least `bytes` the way the allocator grows it, so that the JavaScript
// views follow: the worker then lays a saved image of the memory over it.
bool Reserve(double bytes) {
    const auto size = static_cast<std::size_t>(bytes);
    return size <= emscripten_get_heap_size() || emscripten_resize_heap(size);
}

} // namespace

EMSCRIPTEN_BINDINGS(spi_web) {
    emscripten::function("reset", &Reset);
    emscripten::function("setField", &SetField);
    emscripten::function("chooseStructure", &ChooseStructure);
    emscripten::function("chooseCode", &ChooseCode);
    emscripten::function("chooseTaps", &ChooseTaps);
    emscripten::function("chooseRate", &ChooseRate);
    emscripten::function("channelStep", &ChannelStep);
    emscripten::function("coderStep", &CoderStep);
    emscripten::function("acceptStat1", &AcceptStat1);
    emscripten::function("acceptStat2", &AcceptStat2);
    emscripten::function("checkInteger", &CheckInteger);
    emscripten::function("state", &State);
    emscripten::function("takeMessages", &TakeMessages);
    emscripten::function("run", &Run);
    emscripten::function("plannedDraws", &PlannedDraws);
    emscripten::function("reportBytes", &ReportBytes);
    emscripten::function("reserve", &Reserve);
}

#include "model_binding.h"

#include "field_access.h"
#include "io/data_file.h"
#include "io/session_files.h"
#include "run_binding.h"
#include "session.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace py = pybind11;

namespace spi::python {

namespace {

struct CodeChoice {
    int type = 0;
    std::optional<int> number;
    std::optional<std::vector<int>> taps;
    std::optional<bool> rateUp;
};

// The coder window's controls in the order a user clicks them; a type that needs its
// polynomials is refused without them, since "Ввод" would stop at the empty n.
StepResult Choose(UserSteps &steps, const CodeChoice &c) {
    StepResult r = steps.ChooseCode(c.type, c.number);
    if (r.Taken() && c.taps)
        r = steps.ChooseTaps(*c.taps);
    if (r.Taken() && c.rateUp)
        r = steps.ChooseRate(*c.rateUp);
    if (r.Taken() && steps.AwaitsTaps())
        r = {StepStatus::TapsMissing, "code type " + std::to_string(c.type) +
                                          " needs the polynomials of the convolutional set: give "
                                          "taps=[ROW, ...] (rows of the tap table, e.g. [31, 32])"};
    return r;
}

void ChooseCode(Session &s, int type, std::optional<int> number,
                std::optional<std::vector<int>> taps, std::optional<std::string> rate) {
    const Session::Call call(s);
    if (rate && *rate != "up" && *rate != "down")
        throw py::value_error("rate must be 'up' or 'down', not '" + *rate + "'");
    const CodeChoice c{type, number, std::move(taps),
                       rate ? std::optional<bool>(*rate == "up") : std::nullopt};
    {
        // Tried first on a copy with a coder window of its own: a choice refused half-way would
        // leave the model's window with the half it took.
        auto copy = std::make_unique<ModelState>(s.Model());
        SilentNotifier quiet;
        UserSteps trial(*copy, quiet);
        if (const StepResult r = Choose(trial, c); !r.Taken())
            Raise(r);
    }
    s.Take([&] { return Choose(s.Steps(), c); });
}

std::unique_ptr<Session> Open(const std::filesystem::path &path) {
    auto s = std::make_unique<Session>();
    const Session::Call call(*s);
    s->Take([&] { return OpenInitialData(s->Steps(), path.string()); });
    return s;
}

std::string Save(Session &s, const std::filesystem::path &path) {
    const Session::Call call(s);
    s.Take([&] { return SaveInitialData(s.Steps(), path.string()); });
    return DataFileName(path.string());
}

py::bytes Report(Session &s, bool plain) {
    const Session::Call call(s);
    std::string bytes;
    s.Take([&] { return TestReportBytes(s.Steps(), !plain, &bytes); });
    return py::bytes(bytes);
}

RunOutcomeRecord Run(Session &s, const std::string &test, std::optional<long long> words,
                     std::optional<long long> length, std::optional<long long> seed,
                     long long threads, long long maxWordErrors, const std::string &structure,
                     const std::string &generator, py::object progress) {
    const TestArguments a{test, words, length, seed, threads, maxWordErrors, structure, generator};
    return RunTest(s, a, std::move(progress));
}

std::string Repr(Session &s) {
    s.CheckIdle();
    const ModelState &m = s.Model();
    std::ostringstream r;
    r << "Model(codeType=" << m.codeType << ", codeN=" << m.codeN << ", codeK=" << m.codeK
      << ", ilvL=" << m.ilvL << ", contHp=" << m.contHp << ", contHc=" << m.contHc
      << ", wordCount=" << m.wordCount << ")";
    return r.str();
}

const char *const kRunDoc =
    "Runs 'stat1' (the channel alone) or 'stat2' (the whole chain) as spi-sim does: the structure "
    "('dk' or 'ru'), the channel step, the coder step, the run. words is NB, seed makes the run "
    "repeatable, max_word_errors ends 'stat2' on that many decoded words in error, threads "
    "divides it, generator 'philox' draws from the research generator (no cycle; the same counts "
    "for "
    "any threads). progress(done, total) is called about 100 times; Ctrl-C, or a callback that "
    "raises, stops the run as \"Прервать\" does and raises again.";

} // namespace

void BindModel(py::module_ &m) {
    py::class_<Session>(m, "Model", "A model of the chain, from the start-up defaults.")
        .def(py::init<>())
        .def_static("open", &Open, py::arg("path"),
                    "A model from an initial-data file (.dat), as \"Открыть\" reads it.")
        .def_static("fields", &FieldNames, "The names of the parameter fields.")
        .def("__getitem__",
             [](Session &s, const std::string &name) {
                 s.CheckIdle();
                 return ReadField(s.Model(), name);
             })
        .def("__setitem__",
             [](Session &s, const std::string &name, py::handle value) {
                 const Session::Call call(s);
                 WriteField(s, name, value);
             })
        .def("__contains__", [](Session &, const std::string &name) { return IsField(name); })
        .def("code", &ChooseCode, py::arg("type"), py::arg("number") = py::none(), py::kw_only(),
             py::arg("taps") = py::none(), py::arg("rate") = py::none(),
             "Chooses a code as the coder window does: the type's radio button with its "
             "defaults, its polynomial number, the rows of a convolutional set, the rate "
             "('up': (n0-1)/n0, 'down': 1/n0).")
        .def("run", &Run, py::arg("test") = "stat2", py::kw_only(), py::arg("words") = py::none(),
             py::arg("length") = py::none(), py::arg("seed") = py::none(), py::arg("threads") = 1,
             py::arg("max_word_errors") = 0, py::arg("structure") = "dk",
             py::arg("generator") = "model", py::arg("progress") = py::none(), kRunDoc)
        .def("save", &Save, py::arg("path"),
             "Writes the initial-data file as \"Сохранить\" does (\".dat\" added unless the name "
             "holds it); returns the name written.")
        .def("report", &Report, py::arg("plain") = false,
             "The test report of the model's last completed run, as bytes in code page 1251.")
        .def_property_readonly(
            "messages", [](Session &s) { return s.Log().Messages(); },
            "The messages the system gave during the last call.")
        .def("__repr__", &Repr);
}

} // namespace spi::python

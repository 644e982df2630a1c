#include "sweep_binding.h"

#include "field_access.h"
#include "io/curve_export.h"
#include "io/run_json.h"
#include "progress.h"
#include "research/divided_run.h"
#include "run_settings.h"
#include "session.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace spi::python {

namespace {

// What the module's files say of their origin: the module and the engine's version.
Provenance ModuleProvenance(Generator generator) {
    Provenance from = ProgramProvenance("spi_workbench");
    from.generator = generator;
    return from;
}

struct SweepOutcome {
    std::string field;
    std::vector<SweepPoint> points;
    std::vector<bool> cycleExceeded; // per point: more draws than the generator's cycle
    Generator generator = Generator::Model;
};

// The run of each point as the sweep makes it, with Python's signals heard at every step of the
// run's bar. A point that needs more draws than the generator's cycle is warned of before its run;
// a warning that raises (a filter turned it into an error) stops the sweep before the run.
class HearingRuns : public RunDivision {
public:
    explicit HearingRuns(PythonProgress &hearing) : hearing_(hearing) {}
    RunResult Run(ModelState &m, bool stat2, int threads, const RunOptions &options,
                  Notifier &notifier, RunProgress *) override {
        const RunDraws draws = PlannedRunDraws(m, stat2, threads, options.maxWordErrors);
        exceeded = options.generator == Generator::Model && draws.ExceedsCycle();
        if (exceeded && !Warned(draws)) {
            RunResult stopped;
            stopped.outcome = RunOutcome::Cancelled;
            return stopped;
        }
        return RunInParallel(m, stat2, threads, options, notifier, &hearing_);
    }
    bool WritesOutputs() const override { return true; }
    bool Stopped() const { return error_.has_value(); }
    [[noreturn]] void Rethrow() {
        py::error_already_set e = std::move(*error_);
        error_.reset();
        throw e;
    }
    bool exceeded = false; // of the last point run; cleared after each point

private:
    bool Warned(const RunDraws &draws) {
        const py::gil_scoped_acquire gil;
        try {
            WarnBeyondCycle(draws);
        } catch (py::error_already_set &e) {
            error_.emplace(std::move(e));
            return false;
        }
        return true;
    }
    PythonProgress &hearing_;
    std::optional<py::error_already_set> error_;
};

SweepOutcome Sweep(Session &s, const std::string &field, const std::vector<double> &values,
                   const TestArguments &a, py::object progress) {
    const Session::Call call(s);
    if (!IsField(field))
        throw py::key_error(field);
    const RunSettings settings = SettingsOf(a);
    const int structure = StructureOf(a);
    UserSteps &steps = s.Steps();
    ModelBackup backup(s); // an interrupted sweep leaves the model as it was
    steps.ChooseStructure(structure);
    if (steps.ChannelStepRecalculatesDiscParams(field))
        Warn("the channel step of each point recalculates discParams from the continuous "
             "channel; set channelEntered = 1 to keep the values given");
    const auto count = static_cast<long long>(values.size());
    PythonProgress calls(std::move(progress), count);
    PythonProgress hearing(py::none(), 0);
    HearingRuns runs(hearing);
    SweepRecord record;
    std::vector<bool> cycleExceeded;
    {
        const py::gil_scoped_release free;
        record = steps.Sweep(
            field, values, settings,
            [&](const SweepPoint &, int index) {
                cycleExceeded.push_back(runs.exceeded);
                runs.exceeded = false;
                const py::gil_scoped_acquire gil;
                return !runs.Stopped() && !hearing.Stopped() && calls.Report(index + 1, count);
            },
            &runs);
    }
    if (runs.Stopped())
        runs.Rethrow();
    for (PythonProgress *p : {&hearing, &calls})
        if (p->Stopped())
            p->Rethrow();
    if (!record.step.Taken())
        Raise(record.step);
    backup.Keep();
    return {field, std::move(record.points), std::move(cycleExceeded), settings.generator};
}

// One entry of every point as a numpy column.
template <class T, class Of> py::array_t<T> Column(const SweepOutcome &s, Of of) {
    py::array_t<T> a(static_cast<py::ssize_t>(s.points.size()));
    T *out = a.mutable_data();
    for (const auto &p : s.points)
        *out++ = of(p);
    return a;
}

py::dict ToDict(const SweepOutcome &s) {
    return py::module_::import("json").attr("loads")(
        SweepJson(s.field, s.points, ModuleProvenance(s.generator), s.cycleExceeded));
}

void BindPoint(py::module_ &m) {
    using P = SweepPoint;
    py::class_<P>(m, "SweepPoint", "One point of a sweep; message says why one was refused.")
        .def_readonly("value", &P::value)
        .def_readonly("completed", &P::completed)
        .def_readonly("message", &P::message)
        .def_readonly("words", &P::words)
        .def_readonly("p_err_in", &P::pErrIn)
        .def_readonly("p_err_in_conf", &P::pErrInConf)
        .def_readonly("p_err_out", &P::pErrOut)
        .def_readonly("p_err_out_conf", &P::pErrOutConf)
        .def_readonly("word_err_prob_after", &P::wordErrProbAfter)
        .def_readonly("capacity_no_coder", &P::capacityNoCoder)
        .def_readonly("rate_with_coder", &P::rateWithCoder)
        .def_readonly("with_coder", &P::withCoder)
        .def_readonly("theory_p_err_in", &P::theoryPErrIn,
                      "The discrete channel's mean error probability by theory; None where absent.")
        .def_readonly("theory_word_err_bound", &P::theoryWordErrBound,
                      "An upper bound by theory on the word error rate after decoding (\"Стат2\"); "
                      "None where absent.")
        .def("__repr__", [](const P &p) {
            std::ostringstream r;
            r << "SweepPoint(value=" << p.value;
            if (!p.completed)
                r << ", refused: " << p.message << ")";
            else
                r << ", words=" << p.words << ", p_err_in=" << p.pErrIn
                  << ", p_err_out=" << p.pErrOut << ")";
            return r.str();
        });
}

template <class C> void BindColumns(C &c) {
    using P = SweepPoint;
    c.def_property_readonly("values", [](const SweepOutcome &s) {
        return Column<double>(s, [](const P &p) { return p.value; });
    });
    c.def_property_readonly("completed", [](const SweepOutcome &s) {
        return Column<bool>(s, [](const P &p) { return p.completed; });
    });
    c.def_property_readonly("words", [](const SweepOutcome &s) {
        return Column<long long>(s, [](const P &p) { return p.words; });
    });
    // NaN where the point was refused, or is a "Стат 1" point without the decoder's figures.
    const auto figure = [&c](const char *name, double P::*field, bool withCoderOnly) {
        c.def_property_readonly(name, [field, withCoderOnly](const SweepOutcome &s) {
            return Column<double>(s, [&](const P &p) {
                const bool measured = p.completed && (p.withCoder || !withCoderOnly);
                return measured ? p.*field : std::numeric_limits<double>::quiet_NaN();
            });
        });
    };
    figure("p_err_in", &P::pErrIn, false);
    figure("p_err_in_conf", &P::pErrInConf, false);
    figure("p_err_out", &P::pErrOut, true);
    figure("p_err_out_conf", &P::pErrOutConf, true);
    figure("word_err_prob_after", &P::wordErrProbAfter, true);
    figure("capacity_no_coder", &P::capacityNoCoder, false);
    figure("rate_with_coder", &P::rateWithCoder, true);
    // NaN where theory is absent.
    const auto theory = [&c](const char *name, std::optional<double> P::*field) {
        c.def_property_readonly(name, [field](const SweepOutcome &s) {
            return Column<double>(s, [&](const P &p) {
                return (p.*field).value_or(std::numeric_limits<double>::quiet_NaN());
            });
        });
    };
    theory("theory_p_err_in", &P::theoryPErrIn);
    theory("theory_word_err_bound", &P::theoryWordErrBound);
}

const char *const kSweepDoc =
    "Runs the test at each value of a numeric field on copies of the model, each point taking "
    "the channel and coder steps itself, as spi-sim sweep does. The arguments are those of "
    "Model.run; progress(done, total) is called after each point. A refused point keeps its "
    "message; Ctrl-C stops the sweep and raises KeyboardInterrupt.";

} // namespace

void BindSweep(py::module_ &m) {
    BindPoint(m);
    py::class_<SweepOutcome> c(m, "SweepResult", "The points of a sweep, in the order run.");
    c.def_readonly("field", &SweepOutcome::field)
        .def_readonly("points", &SweepOutcome::points)
        .def("__len__", [](const SweepOutcome &s) { return s.points.size(); })
        .def("__getitem__",
             [](const SweepOutcome &s, py::ssize_t i) {
                 const auto n = static_cast<py::ssize_t>(s.points.size());
                 if (i < -n || i >= n)
                     throw py::index_error("sweep point index out of range");
                 return s.points[static_cast<std::size_t>(i < 0 ? i + n : i)];
             })
        .def("to_dict", &ToDict, "The sweep's JSON record (spi-sim sweep --json) as a dict.")
        .def(
            "csv",
            [](const SweepOutcome &s) {
                return SweepCsv(s.field, s.points, ModuleProvenance(s.generator));
            },
            "The sweep's table as spi-sim sweep --csv writes it.");
    BindColumns(c);
    m.def(
        "sweep",
        [](Session &s, const std::string &field, const std::vector<double> &values,
           const std::string &test, std::optional<long long> words, std::optional<long long> length,
           std::optional<long long> seed, long long threads, long long maxWordErrors,
           const std::string &structure, const std::string &generator, py::object progress) {
            const TestArguments a{test,    words,         length,    seed,
                                  threads, maxWordErrors, structure, generator};
            return Sweep(s, field, values, a, std::move(progress));
        },
        py::arg("model"), py::arg("field"), py::arg("values"), py::kw_only(),
        py::arg("test") = "stat2", py::arg("words") = py::none(), py::arg("length") = py::none(),
        py::arg("seed") = py::none(), py::arg("threads") = 1, py::arg("max_word_errors") = 0,
        py::arg("structure") = "dk", py::arg("generator") = "model",
        py::arg("progress") = py::none(), kSweepDoc);
}

} // namespace spi::python

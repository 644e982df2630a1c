#include "run_binding.h"

#include "io/run_json.h"
#include "io/session_files.h"
#include "progress.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <sstream>
#include <tuple>
#include <utility>

namespace py = pybind11;

namespace spi::python {

namespace {

template <class Container> py::array_t<double> Array(const Container &c) {
    py::array_t<double> a(static_cast<py::ssize_t>(c.size()));
    std::copy(c.begin(), c.end(), a.mutable_data());
    return a;
}

void WarnBeforeRun(UserSteps &steps) {
    if (steps.DecisionDeviceMakesNoErrors())
        Warn("the structure ru models a channel without fading: with contHc != 0 the decision "
             "device produces no errors");
    if (steps.ChannelStepRecalculatesDiscParams())
        Warn("the channel step recalculates discParams from the continuous channel; set "
             "channelEntered = 1 to keep the values given");
}

void MakeReports(UserSteps &steps, RunOutcomeRecord &out) {
    for (const bool box : {true, false}) {
        std::string bytes;
        const StepResult r = TestReportBytes(steps, box, &bytes);
        if (r.Taken())
            (box ? out.boxReport : out.plainReport) = std::move(bytes);
        else
            out.reportRefusal = r.message;
    }
}

py::bytes Report(const RunOutcomeRecord &r, bool plain) {
    const auto &bytes = plain ? r.plainReport : r.boxReport;
    if (!bytes)
        throw Refused(r.reportRefusal);
    return py::bytes(*bytes);
}

py::dict ToDict(const RunOutcomeRecord &r) {
    std::ostringstream json;
    Provenance from;
    from.generator = r.record.generator;
    WriteJson(json, r.record, from, r.cycleExceeded);
    return py::module_::import("json").attr("loads")(json.str());
}

std::string Repr(const RunOutcomeRecord &r) {
    const RunRecord &x = r.record;
    std::ostringstream s;
    s.precision(6);
    s << "RunResult(" << (x.stat2 ? "stat2" : "stat1") << ", " << (x.structure == 1 ? "dk" : "ru")
      << ", n=" << x.n << ", k=" << x.k << ", words=" << x.result.words << ", seed=" << x.seed
      << ", p_err_in=" << x.pErrIn << " ± " << x.pErrInConf;
    if (x.stat2)
        s << ", p_err_out=" << x.pErrOut << " ± " << x.pErrOutConf;
    s << ")";
    return s.str();
}

} // namespace

RunOutcomeRecord RunTest(Session &s, const TestArguments &a, py::object progress) {
    const Session::Call call(s);
    const RunSettings settings = SettingsOf(a);
    const int structure = StructureOf(a);
    UserSteps &steps = s.Steps();
    ModelBackup backup(s);
    steps.ChooseStructure(structure);
    WarnBeforeRun(steps);
    PythonProgress reporter(std::move(progress), PlannedWords(settings, s.Model()));
    const auto volume = std::pair(s.Model().wordCount, s.Model().stat1WordLength);
    RunOutcomeRecord out;
    {
        const py::gil_scoped_release free;
        steps.ChannelStep();
        out.record.step = settings.stat2 ? steps.CoderStep() : StepResult{};
    }
    if (out.record.step.Taken()) {
        // Counted on the chain as the steps left it, said before the run starts.
        const RunDraws draws = PlannedDraws(settings, s.Model());
        out.cycleExceeded = draws.ExceedsCycle();
        if (out.cycleExceeded)
            WarnBeyondCycle(draws);
        const py::gil_scoped_release free;
        out.record = steps.Run(settings, &reporter);
    }
    if (reporter.Stopped()) {
        // As the workstation stops a run: the results of the last completed run stay, and so
        // does the volume the report shows with them.
        backup.Keep();
        if (out.record.result.outcome == RunOutcome::Cancelled)
            std::tie(s.Model().wordCount, s.Model().stat1WordLength) = volume;
        reporter.Rethrow();
    }
    if (!out.record.step.Taken())
        Raise(out.record.step);
    backup.Keep();
    MakeReports(steps, out);
    return out;
}

void BindRunResult(py::module_ &m) {
    using R = RunOutcomeRecord;
    py::class_<R>(m, "RunResult", "The figures of a completed run, as spi-sim records them.")
        .def_property_readonly("test",
                               [](const R &r) { return r.record.stat2 ? "stat2" : "stat1"; })
        .def_property_readonly("structure",
                               [](const R &r) { return r.record.structure == 1 ? "dk" : "ru"; })
        .def_property_readonly("words", [](const R &r) { return r.record.result.words; })
        .def_property_readonly("seed", [](const R &r) { return r.record.seed; })
        .def_property_readonly(
            "generator",
            [](const R &r) { return r.record.generator == Generator::Philox ? "philox" : "model"; })
        .def_property_readonly("n", [](const R &r) { return r.record.n; })
        .def_property_readonly("k", [](const R &r) { return r.record.k; })
        .def_property_readonly("mult_before", [](const R &r) { return Array(r.record.multBefore); })
        .def_property_readonly("mult_after", [](const R &r) { return Array(r.record.multAfter); })
        .def_property_readonly("p_err_in", [](const R &r) { return r.record.pErrIn; })
        .def_property_readonly("p_err_in_conf", [](const R &r) { return r.record.pErrInConf; })
        .def_property_readonly("p_err_out", [](const R &r) { return r.record.pErrOut; })
        .def_property_readonly("p_err_out_conf", [](const R &r) { return r.record.pErrOutConf; })
        .def_property_readonly("word_err_prob_after",
                               [](const R &r) { return r.record.wordErrProbAfter; })
        .def_property_readonly("rate_with_coder", [](const R &r) { return r.record.rateWithCoder; })
        .def_property_readonly("capacity_no_coder",
                               [](const R &r) { return r.record.capacityNoCoder; })
        .def_property_readonly("disc_params", [](const R &r) { return Array(r.record.discParams); })
        .def_property_readonly("theory_mult_before",
                               [](const R &r) -> py::object {
                                   const auto &t = r.record.theory.multBefore;
                                   return t.empty() ? py::none() : py::object(Array(t));
                               })
        .def_property_readonly("theory_p_err_in", [](const R &r) { return r.record.theory.pErrIn; })
        .def_property_readonly("theory_decoded_bound",
                               [](const R &r) { return r.record.theory.decodedBound; })
        .def_property_readonly("fit_max_z", [](const R &r) { return r.record.theory.fitMaxZ; })
        .def_property_readonly("p_err_in_conf_batch",
                               [](const R &r) { return r.record.theory.pErrInConfBatch; })
        .def_property_readonly("p_err_out_conf_batch",
                               [](const R &r) { return r.record.theory.pErrOutConfBatch; })
        .def_property_readonly("batch_count", [](const R &r) { return r.record.theory.batches; })
        .def_property_readonly("elapsed_seconds",
                               [](const R &r) { return r.record.elapsedSeconds; })
        .def("to_dict", &ToDict, "The run's JSON record (the keys of spi-sim --json) as a dict.")
        .def("report", &Report, py::arg("plain") = false,
             "The test report as bytes in code page 1251, as spi-sim --report writes it.")
        .def("__repr__", &Repr);
}

} // namespace spi::python

#include "cli/batch_session.h"

#include "chain/draw_budget.h"
#include "cli/results_output.h"
#include "io/curve_export.h"
#include "io/safe_file.h"
#include "io/session_files.h"
#include "model/text_input.h"
#include "research/divided_run.h"

#include <cstdio>
#include <sstream>

#ifdef SPI_MPI
#include "cli/mpi_run.h"
#endif

namespace spi::cli {

namespace {

StepResult BadValue(std::string why) {
    return {StepStatus::BadValue, std::move(why)};
}

// Every run (every sweep point) counted before it starts: more draws than the generator's cycle
// are said on stderr, and remembered for the JSON. The run itself is the division's, or the
// threads' of this process.
class CycleWatch : public RunDivision {
public:
    CycleWatch(RunDivision *division, std::ostream &err) : division_(division), err_(err) {}
    RunResult Run(ModelState &m, bool stat2, int threads, const RunOptions &options,
                  Notifier &notifier, RunProgress *progress) override {
        const RunDraws draws =
            PlannedRunDraws(m, stat2, threads * Processes(), options.maxWordErrors);
        // The research generator has no cycle a run could reach.
        exceeded = options.generator == Generator::Model && draws.ExceedsCycle();
        if (exceeded)
            err_ << "spi-sim: " << GeneratorCycleWarning(draws) << "\n";
        return division_ ? division_->Run(m, stat2, threads, options, notifier, progress)
                         : RunInParallel(m, stat2, threads, options, notifier, progress);
    }
    bool WritesOutputs() const override { return !division_ || division_->WritesOutputs(); }
    // Whether the last run exceeded the cycle; a sweep clears it after each point.
    bool exceeded = false;

private:
    int Processes() const {
#ifdef SPI_MPI
        if (const auto *mpi = dynamic_cast<const MpiDivision *>(division_))
            return mpi->Ranks();
#endif
        return 1;
    }
    RunDivision *division_;
    std::ostream &err_;
};

// TYPE[:NUMBER] of --code.
bool ParseCodeChoice(const std::string &text, int &type, std::optional<int> &number,
                     std::string *why) {
    const auto colon = text.find(':');
    const auto t = ParseInteger(text.substr(0, colon));
    if (!t) {
        *why = "TYPE must be a whole number";
        return false;
    }
    type = *t;
    if (colon != std::string::npos) {
        const auto n = ParseInteger(text.substr(colon + 1));
        if (!n) {
            *why = "NUMBER must be a whole number";
            return false;
        }
        number = *n;
    }
    return true;
}

// ROW,ROW,... of --taps.
bool ParseRows(const std::string &text, std::vector<int> &rows, std::string *why) {
    std::size_t from = 0;
    while (from <= text.size()) {
        const auto comma = text.find(',', from);
        const auto row = ParseInteger(
            text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (!row) {
            *why = "ROW must be a whole number";
            return false;
        }
        rows.push_back(*row);
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    return true;
}

// "Ввод" after --code 7, 12, 15 or 16 without --taps would stop at the empty n with the
// conversion message of an empty text. Refused first, saying what is missing; `before` names the
// option that would take the window over early.
int MissingTaps(const UserSteps &steps, std::ostream &err, const std::string &before = {}) {
    err << "spi-sim: --code " << *steps.Coder().CheckedType()
        << " needs the polynomials of the convolutional set"
        << (before.empty() ? "" : " before " + before)
        << ": add --taps ROW,ROW (rows of the tap table, e.g. --taps 31,32)\n"
        << UsageText();
    return kExitUsage;
}

StepResult TakeAssignment(const Assignment &a, UserSteps &steps) {
    std::string why;
    switch (a.kind) {
    case Assignment::Code: {
        int type = 0;
        std::optional<int> number;
        if (!ParseCodeChoice(a.text, type, number, &why))
            return BadValue(why);
        return steps.ChooseCode(type, number);
    }
    case Assignment::Taps: {
        std::vector<int> rows;
        if (!ParseRows(a.text, rows, &why))
            return BadValue(why);
        return steps.ChooseTaps(rows);
    }
    case Assignment::Rate:
        return steps.ChooseRate(a.text == "up");
    case Assignment::Set:
        break;
    }
    return steps.SetField(a.text);
}

// --code, --taps, --rate and --set in the order given; kExitOk, or the code to end with.
int TakeAssignments(const Options &o, UserSteps &steps, std::ostream &err) {
    for (const auto &a : o.assignments) {
        const StepResult r = TakeAssignment(a, steps);
        if (r.status == StepStatus::TapsMissing)
            return MissingTaps(steps, err, "--set " + a.text);
        if (r.status == StepStatus::Refused)
            return kExitRefused;
        if (r.status == StepStatus::BadValue) {
            const char *option = a.kind == Assignment::Code   ? "--code"
                                 : a.kind == Assignment::Taps ? "--taps"
                                 : a.kind == Assignment::Rate ? "--rate"
                                                              : "--set";
            err << "spi-sim: " << option << " " << a.text << ": " << r.message << "\n"
                << UsageText();
            return kExitUsage;
        }
    }
    return kExitOk;
}

// Where the files of this invocation come from.
Provenance ProvenanceOf(const Options &o) {
    Provenance from;
    from.program = "spi-sim";
    from.command = o.command;
    from.threads = o.threads;
    from.generator = o.generator;
    return from;
}

RunSettings SettingsOf(const Options &o) {
    RunSettings s;
    s.stat2 = o.stat2;
    s.words = o.words;
    s.length = o.length;
    s.seed = o.seed;
    s.threads = o.threads;
    s.maxWordErrors = o.maxWordErrors;
    s.generator = o.generator;
    return s;
}

// A write to standard output that failed (a full device, a closed pipe) is a failed output.
bool Flushed(std::ostream &out, std::ostream &err, const char *what) {
    out.flush();
    if (out)
        return true;
    err << "spi-sim: cannot write the " << what << " to standard output\n";
    return false;
}

// Standard output, or the whole file or nothing: a failed write never leaves a truncated file where
// a good one stood (the reason goes to the notifier with the file's name).
bool WriteText(const std::string &path, const std::string &text, const char *what,
               std::ostream &out, std::ostream &err, Notifier &notifier) {
    if (path != "-")
        return WriteWholeFile(path, text, notifier);
    out << text;
    return Flushed(out, err, what);
}

// The summary line of a sweep point on the terminal.
std::string PointLine(const std::string &field, const SweepPoint &p) {
    char buf[256];
    if (!p.completed) {
        std::snprintf(buf, sizeof buf, "%s=%.15g  refused: ", field.c_str(), p.value);
        return buf + p.message + "\n";
    }
    if (p.withCoder)
        std::snprintf(buf, sizeof buf, "%s=%.15g  words %lld  Pвх %.6e ± %.2e  Pвых %.6e ± %.2e\n",
                      field.c_str(), p.value, p.words, p.pErrIn, p.pErrInConf, p.pErrOut,
                      p.pErrOutConf);
    else
        std::snprintf(buf, sizeof buf, "%s=%.15g  words %lld  Pвх %.6e ± %.2e\n", field.c_str(),
                      p.value, p.words, p.pErrIn, p.pErrInConf);
    return buf;
}

std::string SweepTitle(const ModelState &m, const Options &o) {
    std::string title = o.stat2 ? "Стат2" : "Стат 1";
    title += o.structure == 1 ? ", ДК" : ", РУ";
    if (o.stat2)
        title += ", код типа " + std::to_string(m.codeType) + " (" + std::to_string(m.codeN) + "," +
                 std::to_string(m.codeK) + "), L = " + std::to_string(m.ilvL);
    else
        title += ", n = " + std::to_string(m.stat1WordLength);
    if (o.maxWordErrors > 0)
        return title + ", до " + std::to_string(o.maxWordErrors) + " ошибочных слов, NB ≤ " +
               std::to_string(m.wordCount);
    return title + ", NB = " + std::to_string(m.wordCount);
}

// The sweep's files and the count of its refused points.
int WriteSweepOutputs(const Options &o, UserSteps &steps, const std::vector<SweepPoint> &points,
                      const std::vector<bool> &cycleExceeded, std::ostream &out,
                      std::ostream &err) {
    int code = kExitOk;
    Notifier &notifier = steps.Messages();
    const std::string &field = o.sweepField;
    const Provenance from = ProvenanceOf(o);
    if (o.csvFile &&
        !WriteText(*o.csvFile, SweepCsv(field, points, from), "CSV table", out, err, notifier))
        code = kExitRefused;
    if (o.jsonFile && !WriteText(*o.jsonFile, SweepJson(field, points, from, cycleExceeded),
                                 "JSON record", out, err, notifier))
        code = kExitRefused;
    if (o.svgFile &&
        !WriteText(*o.svgFile, SweepSvg(field, points, SweepTitle(steps.Model(), o), from), "plot",
                   out, err, notifier))
        code = kExitRefused;
    std::size_t refused = 0;
    for (const auto &p : points)
        refused += p.completed ? 0 : 1;
    if (refused > 0) {
        err << "spi-sim: " << refused << " of " << points.size() << " points refused\n";
        code = kExitRefused;
    }
    return code;
}

// Each point takes the channel and coder steps itself, on the value it runs.
int RunSweepBatch(const Options &o, UserSteps &steps, std::ostream &out, std::ostream &err,
                  RunDivision *division) {
    if (steps.ChannelStepRecalculatesDiscParams(o.sweepField))
        err << "spi-sim: the channel step of each point recalculates discParams from the "
               "continuous "
               "channel; add --set channelEntered=1 to keep the values given\n";
    const bool writes = !division || division->WritesOutputs();
    const bool stdoutTaken = (o.csvFile && *o.csvFile == "-") || (o.jsonFile && *o.jsonFile == "-");
    const bool lines = writes && !o.quiet && !stdoutTaken;
    CycleWatch watch(division, err);
    std::vector<bool> cycleExceeded;
    const auto sweep = steps.Sweep(
        o.sweepField, o.sweepValues, SettingsOf(o),
        [&](const SweepPoint &p, int) {
            cycleExceeded.push_back(watch.exceeded);
            watch.exceeded = false;
            if (lines) {
                out << PointLine(o.sweepField, p);
                out.flush();
            }
            return true;
        },
        &watch);
    if (!sweep.step.Taken())
        return kExitRefused;
    if (!writes)
        return kExitOk;
    int code = kExitOk;
    if (lines && !sweep.points.empty() && !Flushed(out, err, "summary"))
        code = kExitRefused;
    const int files = WriteSweepOutputs(o, steps, sweep.points, cycleExceeded, out, err);
    return code != kExitOk ? code : files;
}

// The report to standard output in its own bytes (code page 1251, unchanged) or to a file.
bool WriteReport(const Options &o, UserSteps &steps, std::ostream &out, std::ostream &err) {
    if (*o.reportFile != "-")
        return SaveReport(steps, *o.reportFile, !o.plainReport).Taken();
    std::string bytes;
    if (!TestReportBytes(steps, !o.plainReport, &bytes).Taken())
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (out)
        return true;
    err << "spi-sim: cannot write the report to standard output\n";
    return false;
}

int WriteOutputs(const Options &o, UserSteps &steps, const RunRecord &record, bool cycleExceeded,
                 std::ostream &out, std::ostream &err) {
    int code = kExitOk;
    if (o.reportFile && !WriteReport(o, steps, out, err))
        code = kExitRefused;
    if (o.jsonFile) {
        std::ostringstream json;
        WriteJson(json, record, ProvenanceOf(o), cycleExceeded);
        if (!WriteText(*o.jsonFile, json.str(), "JSON record", out, err, steps.Messages()))
            code = kExitRefused;
    }
    if (o.saveDataFile && !SaveInitialData(steps, *o.saveDataFile).Taken())
        code = kExitRefused;
    const bool stdoutTaken =
        (o.jsonFile && *o.jsonFile == "-") || (o.reportFile && *o.reportFile == "-");
    if (!o.quiet && !stdoutTaken) {
        WriteSummary(out, record);
        if (!Flushed(out, err, "summary"))
            code = kExitRefused;
    }
    return code;
}

int RunOnce(const Options &o, UserSteps &steps, std::ostream &out, std::ostream &err,
            RunProgress *progress, RunDivision *division) {
    if (steps.ChannelStepRecalculatesDiscParams())
        err << "spi-sim: the channel step recalculates discParams from the continuous channel; "
               "add --set channelEntered=1 to keep the values given with --set\n";
    // A channel that could not be calculated leaves "Стат 1" unavailable, which the run says;
    // "Стат2" runs on the channel the model holds.
    steps.ChannelStep();
    if (o.stat2 && !steps.CoderStep().Taken())
        return kExitRefused;
    CycleWatch watch(division, err);
    const RunRecord record = steps.Run(SettingsOf(o), progress, &watch);
    if (!record.step.Taken())
        return kExitRefused;
    if (!watch.WritesOutputs())
        return kExitOk;
    return WriteOutputs(o, steps, record, watch.exceeded, out, err);
}

} // namespace

int RunBatch(const Options &o, ModelState &m, Notifier &notifier, std::ostream &out,
             std::ostream &err, RunProgress *progress, RunDivision *division) {
    if (o.help) {
        if (division && !division->WritesOutputs())
            return kExitOk; // the first process prints it
        out << o.helpText;
        return Flushed(out, err, "help") ? kExitOk : kExitRefused;
    }
    UserSteps steps(m, notifier);
    if (o.dataFile && !OpenInitialData(steps, *o.dataFile).Taken())
        return kExitRefused;
    if (const int code = TakeAssignments(o, steps, err); code != kExitOk)
        return code;
    if (o.stat2 && steps.AwaitsTaps())
        return MissingTaps(steps, err);
    steps.ChooseStructure(o.structure);
    if (steps.DecisionDeviceMakesNoErrors())
        err << "spi-sim: the structure ru models a channel without fading: with Hc = " << m.contHc
            << " the decision device produces no errors\n";
    if (o.sweep)
        return RunSweepBatch(o, steps, out, err, division);
    return RunOnce(o, steps, out, err, progress, division);
}

} // namespace spi::cli

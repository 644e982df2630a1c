#include "cli/batch_session.h"

#include "cli/field_setters.h"
#include "cli/results_output.h"
#include "coding/code_setup.h"
#include "forms/channel_forms.h"
#include "io/curve_export.h"
#include "io/data_file.h"
#include "io/run_report.h"
#include "io/safe_file.h"
#include "model/text_input.h"
#include "research/code_choice.h"
#include "research/sweep.h"

#include <chrono>
#include <cstdio>
#include <sstream>

namespace spi::cli {

namespace {

// "Дискретный канал" or "Решающее устройство" accepted without typing. Returns whether "Стат 1"
// is available afterwards.
bool ChannelStep(ModelState &m, Notifier &notifier, std::ostream &err, bool discSetByUser) {
    if (m.channelEntered != 0)
        return true;
    if (discSetByUser)
        err << "spi-sim: the channel step recalculates discParams from the continuous channel; "
               "add --set channelEntered=1 to keep the values given with --set\n";
    return AcceptChannelStep(m, notifier);
}

// "УЗО" closed with "Ввод": the window opened on the stored settings (or left as --code, --taps
// and --rate made it), taken over, g(x) parsed; a non-binary code is set up from its number.
bool CoderStep(CoderSettings &coder, ModelState &m, Notifier &notifier) {
    if (!AcceptCoderSettings(coder, m, notifier))
        return false;
    if (IsNonBinaryCodeType(m.codeType))
        SetUpNonBinaryCode(m, notifier);
    return true;
}

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
bool RefusedForMissingTaps(const CoderSettings &coder, std::ostream &err,
                           const std::string &before = {}) {
    if (!AwaitsTaps(coder))
        return false;
    err << "spi-sim: --code " << *coder.CheckedType()
        << " needs the polynomials of the convolutional set"
        << (before.empty() ? "" : " before " + before)
        << ": add --taps ROW,ROW (rows of the tap table, e.g. --taps 31,32)\n"
        << UsageText();
    return true;
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

int RunSweepBatch(const Options &o, ModelState &m, Notifier &notifier, std::ostream &out,
                  std::ostream &err, RunDivision *division) {
    SweepSpec plan;
    plan.field = o.sweepField;
    plan.values = o.sweepValues;
    plan.stat2 = o.stat2;
    plan.threads = o.threads;
    plan.options.maxWordErrors = o.maxWordErrors;
    if (division)
        plan.run = [&](ModelState &point, Notifier &note) {
            return division->Run(point, o.stat2, o.threads, plan.options, note, nullptr);
        };
    const bool writes = !division || division->WritesOutputs();
    const bool stdoutTaken = (o.csvFile && *o.csvFile == "-") || (o.jsonFile && *o.jsonFile == "-");
    const bool lines = writes && !o.quiet && !stdoutTaken;
    const auto points = RunSweep(m, plan, notifier, [&](const SweepPoint &p, int) {
        if (lines) {
            out << PointLine(plan.field, p);
            out.flush();
        }
        return true;
    });
    if (!writes)
        return kExitOk;

    int code = kExitOk;
    if (lines && !points.empty() && !Flushed(out, err, "summary"))
        code = kExitRefused;
    if (o.csvFile &&
        !WriteText(*o.csvFile, SweepCsv(plan.field, points), "CSV table", out, err, notifier))
        code = kExitRefused;
    if (o.jsonFile &&
        !WriteText(*o.jsonFile, SweepJson(plan.field, points), "JSON record", out, err, notifier))
        code = kExitRefused;
    if (o.svgFile && !WriteText(*o.svgFile, SweepSvg(plan.field, points, SweepTitle(m, o)), "plot",
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

} // namespace

int RunBatch(const Options &o, ModelState &m, Notifier &notifier, std::ostream &out,
             std::ostream &err, RunProgress *progress, RunDivision *division) {
    if (o.dataFile && !OpenDataFile(m, *o.dataFile, notifier))
        return kExitRefused;

    // The coder window of this session: --code, --taps and --rate act on it as clicks would.
    CoderSettings coder;
    bool discSetByUser = false;
    for (const auto &a : o.assignments) {
        std::string why;
        bool ok = true;
        switch (a.kind) {
        case Assignment::Code: {
            int type = 0;
            std::optional<int> number;
            ok = ParseCodeChoice(a.text, type, number, &why) &&
                 ApplyCodeChoice(coder, m, notifier, type, number, &why);
            break;
        }
        case Assignment::Taps: {
            std::vector<int> rows;
            ok = ParseRows(a.text, rows, &why) && ApplyTaps(coder, m, notifier, rows, &why);
            break;
        }
        case Assignment::Rate:
            ok = ApplyRate(coder, m, notifier, a.text == "up", &why);
            break;
        case Assignment::Set:
            if (a.text.rfind("innerPolyList=", 0) == 0) {
                const std::string list = a.text.substr(14);
                ok = SetField(m, a.text, &why);
                if (ok)
                    ApplyInnerPolyList(coder, m, list);
                break;
            }
            if (RefusedForMissingTaps(coder, err, "--set " + a.text))
                return kExitUsage;
            // A field set by name comes after the coder window's choices: take them over first, so
            // that "Ввод" later does not put the window's texts back over it.
            if (coder.IsOpen() && !AcceptCoderSettings(coder, m, notifier))
                return kExitRefused;
            ok = SetField(m, a.text, &why);
            if (a.text.rfind("discParams[", 0) == 0)
                discSetByUser = true;
            if (a.text.rfind("channelEntered=", 0) == 0)
                discSetByUser = false;
            break;
        }
        if (!ok) {
            const char *option = a.kind == Assignment::Code   ? "--code"
                                 : a.kind == Assignment::Taps ? "--taps"
                                 : a.kind == Assignment::Rate ? "--rate"
                                                              : "--set";
            err << "spi-sim: " << option << " " << a.text << ": " << why << "\n" << UsageText();
            return kExitUsage;
        }
    }

    if (o.stat2 && RefusedForMissingTaps(coder, err))
        return kExitUsage;

    m.channelType = static_cast<std::uint8_t>(o.structure);
    if (m.channelType == 2 && m.contHc != 0)
        err << "spi-sim: the structure ru models a channel without fading: with Hc = " << m.contHc
            << " the decision device produces no errors\n";

    if (o.sweep) {
        // Each point takes the channel and coder steps itself, on the value it runs.
        if (m.channelEntered == 0 && (discSetByUser || o.sweepField.rfind("discParams[", 0) == 0))
            err << "spi-sim: the channel step of each point recalculates discParams from the "
                   "continuous "
                   "channel; add --set channelEntered=1 to keep the values given\n";
        if (o.stat2 && coder.IsOpen() && !AcceptCoderSettings(coder, m, notifier))
            return kExitRefused;
        if (o.words)
            m.wordCount = *o.words;
        if (!o.stat2 && o.length)
            m.stat1WordLength = *o.length;
        if (o.seed)
            m.fixedSeed = *o.seed;
        return RunSweepBatch(o, m, notifier, out, err, division);
    }

    const bool stat1Available = ChannelStep(m, notifier, err, discSetByUser);

    if (o.stat2 && !CoderStep(coder, m, notifier))
        return kExitRefused;

    if (o.words)
        m.wordCount = *o.words;
    if (!o.stat2 && o.length)
        m.stat1WordLength = *o.length;
    if (o.seed)
        m.fixedSeed = *o.seed;

    if (!o.stat2 && !stat1Available) {
        notifier.Error(kStat1Unavailable);
        return kExitRefused;
    }

    RunRecord record;
    record.stat2 = o.stat2;
    record.structure = o.structure;
    RunOptions runOptions;
    runOptions.maxWordErrors = o.maxWordErrors;
    const auto start = std::chrono::steady_clock::now();
    record.result = division ? division->Run(m, o.stat2, o.threads, runOptions, notifier, progress)
                             : RunInParallel(m, o.stat2, o.threads, runOptions, notifier, progress);
    record.elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (record.result.outcome != RunOutcome::Completed)
        return kExitRefused;
    if (division && !division->WritesOutputs())
        return kExitOk;

    int code = kExitOk;
    if (o.reportFile) {
        if (*o.reportFile == "-") {
            std::string failure;
            const auto bytes = WriteTestReport(m, !o.plainReport, &failure);
            if (!bytes) {
                notifier.Error(failure);
                code = kExitRefused;
            } else {
                // The report's own bytes, code page 1251, unchanged.
                out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
                out.flush();
                if (!out) {
                    err << "spi-sim: cannot write the report to standard output\n";
                    code = kExitRefused;
                }
            }
        } else if (!SaveTestReport(m, *o.reportFile, !o.plainReport, notifier)) {
            code = kExitRefused;
        }
    }
    if (o.jsonFile) {
        std::ostringstream json;
        WriteJson(json, m, record);
        if (!WriteText(*o.jsonFile, json.str(), "JSON record", out, err, notifier))
            code = kExitRefused;
    }
    if (o.saveDataFile && !SaveDataFile(m, DataFileName(*o.saveDataFile), notifier))
        code = kExitRefused;
    const bool stdoutTaken =
        (o.jsonFile && *o.jsonFile == "-") || (o.reportFile && *o.reportFile == "-");
    if (!o.quiet && !stdoutTaken) {
        WriteSummary(out, m, record);
        if (!Flushed(out, err, "summary"))
            code = kExitRefused;
    }
    return code;
}

} // namespace spi::cli

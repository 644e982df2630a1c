#include "cli/cli_options.h"

#include "model/model_fields.h"
#include "model/text_input.h"
#include "research/sweep_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace spi::cli {

namespace {

// Why an option was refused; none when it was taken.
using Failure = std::optional<std::string>;

// What the options say beyond Options itself, checked once all are read.
struct Pending {
    std::optional<double> from, to, step;
    std::optional<std::int32_t> maxWords;
    bool valuesGiven = false;
    std::vector<std::string> sweepOnly; // the options of 'spi-sim sweep' alone, in the order given
};

std::string NeedsValue(const std::string &option) {
    return "option " + option + " needs a value";
}

bool IsFlag(const std::string &arg) {
    return arg == "--help" || arg == "-h" || arg == "--plain" || arg == "--quiet";
}

// Options whose value names a file, a field or values: an empty one is no value.
bool NeedsText(const std::string &arg) {
    return arg == "--data" || arg == "--report" || arg == "--json" || arg == "--save-data" ||
           arg == "--csv" || arg == "--svg" || arg == "--param" || arg == "--values";
}

bool TakesValue(const std::string &arg) {
    static const char *const others[] = {
        "--structure", "--test", "--words", "--length", "--max-words", "--max-word-errors",
        "--threads",   "--seed", "--from",  "--to",     "--step",      "--set",
        "--code",      "--taps", "--rate"};
    return NeedsText(arg) || std::any_of(std::begin(others), std::end(others),
                                         [&](const char *o) { return arg == o; });
}

void TakeFlag(const std::string &arg, Options &o) {
    if (arg == "--plain")
        o.plainReport = true;
    else if (arg == "--quiet")
        o.quiet = true;
    else
        o.help = true;
}

void TakeText(const std::string &arg, const std::string &v, Options &o, Pending &p) {
    if (arg == "--data")
        o.dataFile = v;
    else if (arg == "--report")
        o.reportFile = v;
    else if (arg == "--json")
        o.jsonFile = v;
    else if (arg == "--save-data")
        o.saveDataFile = v;
    else if (arg == "--csv")
        o.csvFile = v;
    else if (arg == "--svg")
        o.svgFile = v;
    else
        o.sweepField = v;
    if (arg == "--csv" || arg == "--svg" || arg == "--param")
        p.sweepOnly.push_back(arg);
}

Failure TakeChoice(const std::string &arg, const std::string &v, Options &o) {
    if (arg == "--structure") {
        if (v != "dk" && v != "ru")
            return "--structure must be dk or ru, not '" + v + "'";
        o.structure = v == "dk" ? 1 : 2;
    } else {
        if (v != "stat1" && v != "stat2")
            return "--test must be stat1 or stat2, not '" + v + "'";
        o.stat2 = v == "stat2";
    }
    return std::nullopt;
}

Failure TakeWhole(const std::string &arg, const std::string &v, Options &o, Pending &p) {
    if (arg == "--max-word-errors") {
        const auto x = ParseWholeNumber<long long>(v);
        if (!x || *x < 1)
            return "--max-word-errors needs a whole number of at least 1, not '" + v + "'";
        o.maxWordErrors = *x;
    } else if (arg == "--threads") {
        const auto x = ParseWholeNumber<int>(v);
        if (!x || *x < 1 || *x > kMaxThreads)
            return "--threads needs a whole number 1.." + std::to_string(kMaxThreads) + ", not '" +
                   v + "'";
        o.threads = *x;
    } else if (arg == "--seed") {
        const auto x = ParseWholeNumber<std::uint32_t>(v);
        if (!x)
            return "--seed needs a whole number 0..4294967295, not '" + v + "'";
        o.seed = *x;
    } else {
        const auto x = ParseWholeNumber<std::int32_t>(v);
        if (!x)
            return arg + " needs a whole number, not '" + v + "'";
        (arg == "--words" ? o.words : arg == "--length" ? o.length : p.maxWords) = *x;
    }
    return std::nullopt;
}

Failure TakeValues(const std::string &v, Options &o, Pending &p) {
    o.sweepValues.clear();
    std::size_t at = 0;
    while (true) {
        const auto comma = v.find(',', at);
        const std::string item =
            v.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        const auto x = ParseFiniteReal(item);
        if (!x)
            return "--values needs finite numbers separated by commas, not '" + item + "'";
        o.sweepValues.push_back(*x);
        if (o.sweepValues.size() > kMaxSweepPoints)
            return "a sweep has at most " + std::to_string(kMaxSweepPoints) + " points";
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    p.valuesGiven = true;
    p.sweepOnly.push_back("--values");
    return std::nullopt;
}

Failure TakeAssignment(const std::string &arg, const std::string &v, Options &o) {
    if (arg == "--set" && v.find('=') == std::string::npos)
        return "--set needs FIELD=VALUE, not '" + v + "'";
    if (arg == "--rate" && v != "up" && v != "down")
        return "--rate must be up or down, not '" + v + "'";
    const auto kind = arg == "--set"    ? Assignment::Set
                      : arg == "--code" ? Assignment::Code
                      : arg == "--taps" ? Assignment::Taps
                                        : Assignment::Rate;
    o.assignments.push_back({kind, v});
    return std::nullopt;
}

// The value of an option that takes one, which TakesValue has said of arg.
Failure TakeValue(const std::string &arg, const std::string &v, Options &o, Pending &p) {
    if (NeedsText(arg) && v.empty())
        return NeedsValue(arg);
    if (arg == "--values")
        return TakeValues(v, o, p);
    if (NeedsText(arg)) {
        TakeText(arg, v, o, p);
        return std::nullopt;
    }
    if (arg == "--structure" || arg == "--test")
        return TakeChoice(arg, v, o);
    if (arg == "--from" || arg == "--to" || arg == "--step") {
        const auto x = ParseFiniteReal(v);
        if (!x)
            return arg + " needs a finite number, not '" + v + "'";
        (arg == "--from" ? p.from : arg == "--to" ? p.to : p.step) = *x;
        p.sweepOnly.push_back(arg);
        return std::nullopt;
    }
    if (arg == "--set" || arg == "--code" || arg == "--taps" || arg == "--rate")
        return TakeAssignment(arg, v, o);
    return TakeWhole(arg, v, o, p);
}

// --from, --to and --step as the values of the sweep.
Failure TakeGrid(Options &o, const Pending &p) {
    if (!p.from || !p.to || !p.step)
        return "sweep needs --values or all of --from, --to and --step";
    SweepGrid grid = MakeSweepGrid(*p.from, *p.to, *p.step, kMaxSweepPoints);
    if (grid.problem == SweepGridProblem::NoWay)
        return "--step " + std::to_string(*p.step) + " does not lead from --from to --to";
    if (grid.problem == SweepGridProblem::TooMany)
        return "a sweep has at most " + std::to_string(kMaxSweepPoints) + " points";
    o.sweepValues = std::move(grid.values);
    return std::nullopt;
}

Failure CheckSweep(Options &o, const Pending &p) {
    if (o.reportFile || o.saveDataFile)
        return std::string(o.reportFile ? "--report" : "--save-data") +
               " is not available with sweep";
    if (o.sweepField.empty())
        return "sweep needs --param FIELD";
    const auto fields = SweepableFieldNames();
    if (std::find(fields.begin(), fields.end(), o.sweepField) == fields.end())
        return "--param " + o.sweepField + ": not a numeric parameter field (see --set)";
    if (p.valuesGiven) {
        if (p.from || p.to || p.step)
            return "give either --values or --from, --to and --step";
    } else if (auto failure = TakeGrid(o, p)) {
        return failure;
    }
    if (o.csvFile && o.jsonFile && *o.csvFile == "-" && *o.jsonFile == "-")
        return "--csv and --json cannot both write to standard output";
    return std::nullopt;
}

// What holds only for the options taken together.
Failure CheckTogether(Options &o, const Pending &p) {
    if (o.plainReport && !o.reportFile)
        return "--plain needs --report";
    if (o.help)
        return std::nullopt;
    if (p.maxWords) {
        if (o.words && *o.words != *p.maxWords)
            return "--words and --max-words both give NB; give one";
        o.words = p.maxWords;
    }
    if (o.maxWordErrors > 0 && !o.stat2)
        return "--max-word-errors applies to --test stat2 only";
    if (!o.sweep)
        return p.sweepOnly.empty()
                   ? Failure()
                   : Failure("option " + p.sweepOnly.front() + " belongs to 'spi-sim sweep'");
    return CheckSweep(o, p);
}

} // namespace

const char *UsageText() {
    return "usage: spi-sim [--data FILE] [--structure dk|ru] [--test stat1|stat2] [--words NB]\n"
           "               [--length n] [--seed S] [--set FIELD=VALUE]... [--code "
           "TYPE[:NUMBER]]...\n"
           "               [--taps ROW,ROW,...] [--rate up|down]\n"
           "               [--max-word-errors N] [--max-words NB] [--threads N]\n"
           "               [--report FILE|- [--plain]] [--json FILE|-] [--save-data FILE] "
           "[--quiet]\n"
           "       spi-sim sweep --param FIELD (--from A --to B --step S | --values a,b,...)\n"
           "               [model and run options as above] [--csv FILE|-] [--json FILE|-] [--svg "
           "FILE]\n"
           "               [--quiet]\n";
}

std::optional<Options> ParseOptions(int argc, char **argv, std::string *error) {
    Options o;
    Pending p;
    auto fail = [&](std::string why) -> std::optional<Options> {
        *error = std::move(why);
        return std::nullopt;
    };
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "sweep") == 0) {
        o.sweep = true;
        first = 2;
    }
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> value; // given after '=' in the same argument
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos && arg != "--set") {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        if (IsFlag(arg)) {
            TakeFlag(arg, o);
            continue;
        }
        if (!TakesValue(arg))
            return fail("unknown option '" + arg + "'");
        if (!value && i + 1 >= argc)
            return fail(NeedsValue(arg));
        if (!value)
            value = argv[++i];
        if (auto failure = TakeValue(arg, *value, o, p))
            return fail(std::move(*failure));
    }
    if (auto failure = CheckTogether(o, p))
        return fail(std::move(*failure));
    return o;
}

} // namespace spi::cli

#include "cli/cli_options.h"

#include "model/model_fields.h"
#include "model/text_input.h"
#include "model/version.h"
#include "research/sweep_grid.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <limits>

namespace spi::cli {

namespace {

// Why the options were refused; none when they were taken.
using Failure = std::optional<std::string>;

// What the options say beyond Options itself, checked once all are read.
struct Pending {
    std::optional<double> from, to, step;
    std::optional<std::int32_t> maxWords;
    bool valuesGiven = false;
};

constexpr long long kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr long long kInt32Max = std::numeric_limits<std::int32_t>::max();

// A value an option cannot take: the message names the option and says why.
[[noreturn]] void Refuse(const std::string &option, const std::string &why) {
    throw CLI::ValidationError(option, why);
}

bool LooksWhole(const std::string &text) {
    const auto digits = text.begin() + (text.rfind('-', 0) == 0 ? 1 : 0);
    return digits != text.end() &&
           std::all_of(digits, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole number lo..hi written out in full; `what` names the quantity in the messages.
long long Whole(const std::string &option, const std::string &text, long long lo, long long hi,
                const std::string &what) {
    if (!LooksWhole(text))
        Refuse(option, "'" + text + "' is not a whole number");
    const auto x = ParseWholeNumber<long long>(text); // none: beyond even long long
    const bool negative = text[0] == '-';
    if (x ? *x > hi : !negative)
        Refuse(option, text + " is above the largest " + what + ", " + std::to_string(hi));
    if (x ? *x < lo : negative)
        Refuse(option, text + " is below the smallest " + what + ", " + std::to_string(lo));
    return *x;
}

double Real(const std::string &option, const std::string &text) {
    const auto x = ParseFiniteReal(text);
    if (!x)
        Refuse(option, "'" + text + "' is not a finite number");
    return *x;
}

// A file name, a field or values: an empty text is no value.
const std::string &Text(const std::string &option, const std::string &text) {
    if (text.empty())
        Refuse(option, "needs a value, not an empty text");
    return text;
}

// The options of one group of the help text. Each occurrence of an option is taken as it is read,
// so that the options that change the model keep the order given and a repeated option keeps its
// last value.
class Group {
public:
    Group(CLI::App &app, std::string name) : app_(app), name_(std::move(name)) {}
    void Value(const std::string &option, const std::string &type, const std::string &help,
               const std::function<void(const std::string &)> &take) {
        app_.add_option_function<std::string>(option, take, help)
            ->type_name(type)
            ->group(name_)
            ->trigger_on_parse();
    }
    void Flag(const std::string &option, bool &flag, const std::string &help) {
        app_.add_flag(option, flag, help)->group(name_);
    }

private:
    CLI::App &app_;
    std::string name_;
};

void AddModelOptions(CLI::App &app, Options &o) {
    Group g(app, "The model (--set, --code, --taps and --rate are taken in the order given)");
    g.Value("--data", "FILE", "load an initial-data file (.dat) as \"Открыть\" does",
            [&o](const std::string &v) { o.dataFile = Text("--data", v); });
    g.Value("--structure", "dk|ru", "dk = discrete channel, ru = decision device; default dk",
            [&o](const std::string &v) {
                if (v != "dk" && v != "ru")
                    Refuse("--structure", "must be dk or ru, not '" + v + "'");
                o.structure = v == "dk" ? 1 : 2;
            });
    g.Value("--set", "FIELD=VALUE",
            "set a parameter by its model name (arrays from 0; --list-fields)",
            [&o](const std::string &v) {
                if (v.find('=') == std::string::npos)
                    Refuse("--set", "needs FIELD=VALUE, not '" + v + "'");
                o.assignments.push_back({Assignment::Set, v});
            });
    g.Value("--code", "TYPE[:NUMBER]",
            "choose a code as the coder window does: TYPE, then polynomial NUMBER",
            [&o](const std::string &v) {
                o.assignments.push_back({Assignment::Code, v});
            });
    g.Value("--taps", "ROW,ROW,...", "tap-table rows of a convolutional set (--code 7, 12, 15, 16)",
            [&o](const std::string &v) {
                o.assignments.push_back({Assignment::Taps, v});
            });
    g.Value("--rate", "up|down", "the rate spin button: (n0-1)/n0 or 1/n0",
            [&o](const std::string &v) {
                if (v != "up" && v != "down")
                    Refuse("--rate", "must be up or down, not '" + v + "'");
                o.assignments.push_back({Assignment::Rate, v});
            });
}

void AddRunOptions(CLI::App &app, Options &o, Pending &p) {
    Group g(app, "The run");
    g.Value("--test", "stat1|stat2", "which test run; default stat2", [&o](const std::string &v) {
        if (v != "stat1" && v != "stat2")
            Refuse("--test", "must be stat1 or stat2, not '" + v + "'");
        o.stat2 = v == "stat2";
    });
    g.Value(
        "--words", "NB", "number of words; default the model's (1000)", [&o](const std::string &v) {
            o.words = static_cast<std::int32_t>(Whole("--words", v, kInt32Min, kInt32Max, "NB"));
        });
    g.Value("--max-words", "NB", "the same as --words: the ceiling of a run that may stop early",
            [&p](const std::string &v) {
                p.maxWords =
                    static_cast<std::int32_t>(Whole("--max-words", v, kInt32Min, kInt32Max, "NB"));
            });
    g.Value("--length", "n", "word length of \"Стат 1\"; default the model's (36)",
            [&o](const std::string &v) {
                o.length = static_cast<std::int32_t>(
                    Whole("--length", v, kInt32Min, kInt32Max, "word length"));
            });
    g.Value("--seed", "S", "seed 0..4294967295 instead of the clock: a repeatable run",
            [&o](const std::string &v) {
                o.seed = static_cast<std::uint32_t>(
                    Whole("--seed", v, 0, std::numeric_limits<std::uint32_t>::max(), "seed"));
            });
    g.Value("--max-word-errors", "N", "end \"Стат2\" on the Nth decoded word in error",
            [&o](const std::string &v) {
                o.maxWordErrors = Whole("--max-word-errors", v, 1,
                                        std::numeric_limits<long long>::max(), "count of errors");
            });
    g.Value("--generator", "model|philox",
            "the model's generator (default) or the research generator Philox4x32-10, whose "
            "draws do not repeat and whose counts are the same for any --threads",
            [&o](const std::string &v) {
                if (v != "model" && v != "philox")
                    Refuse("--generator", "'" + v + "': model or philox");
                o.generator = v == "philox" ? Generator::Philox : Generator::Model;
            });
    g.Value("--threads", "N", "run N models side by side on shares of the words; default 1",
            [&o](const std::string &v) {
                o.threads =
                    static_cast<int>(Whole("--threads", v, 1, kMaxThreads, "number of threads"));
            });
}

void AddOutputOptions(CLI::App &app, Options &o) {
    Group g(app, "The outputs");
    g.Value("--report", "FILE|-", "write the test report in code page 1251 (box-drawn)",
            [&o](const std::string &v) { o.reportFile = Text("--report", v); });
    g.Flag("--plain", o.plainReport, "the report in its plain form");
    g.Value("--json", "FILE|-", "write the results (of a sweep: every point) as JSON",
            [&o](const std::string &v) { o.jsonFile = Text("--json", v); });
    g.Value("--save-data", "FILE",
            "write the parameters as an initial-data file (.dat) after the run",
            [&o](const std::string &v) { o.saveDataFile = Text("--save-data", v); });
    g.Flag("--quiet", o.quiet, "no summary on standard output, no progress bar");
}

void TakeValues(const std::string &text, Options &o, Pending &p) {
    o.sweepValues.clear();
    std::size_t at = 0;
    for (auto comma = text.find(','); true; comma = text.find(',', at)) {
        const std::string item =
            text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        const auto x = ParseFiniteReal(item);
        if (!x)
            Refuse("--values",
                   "'" + item + "' is not a finite number (give numbers separated by commas)");
        o.sweepValues.push_back(*x);
        if (o.sweepValues.size() > kMaxSweepPoints)
            Refuse("--values",
                   "a sweep has at most " + std::to_string(kMaxSweepPoints) + " points");
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    p.valuesGiven = true;
}

CLI::App &AddSweep(CLI::App &app, Options &o, Pending &p) {
    CLI::App &sweep = *app.add_subcommand(
        "sweep", "run the test at each value of one parameter and write one row per point");
    sweep.fallthrough(); // the options of spi-sim itself are taken after the word sweep too
    sweep.footer("Every option of spi-sim but --report and --save-data applies to each point\n"
                 "(spi-sim --help).");
    Group g(sweep, "The sweep");
    g.Value("--param", "FIELD", "the field to vary: any numeric field of --set",
            [&o](const std::string &v) { o.sweepField = Text("--param", v); });
    g.Value("--from", "A", "the first value",
            [&p](const std::string &v) { p.from = Real("--from", v); });
    g.Value("--to", "B", "the last value", [&p](const std::string &v) { p.to = Real("--to", v); });
    g.Value("--step", "S", "the step from A to B (negative for B below A)",
            [&p](const std::string &v) { p.step = Real("--step", v); });
    g.Value("--values", "a,b,...", "the values themselves, instead of --from, --to and --step",
            [&o, &p](const std::string &v) { TakeValues(Text("--values", v), o, p); });
    g.Value("--csv", "FILE|-", "write one row per point as CSV",
            [&o](const std::string &v) { o.csvFile = Text("--csv", v); });
    g.Value("--svg", "FILE", "draw Pвх and Pвых against the parameter (logarithmic axis)",
            [&o](const std::string &v) { o.svgFile = Text("--svg", v); });
    sweep.set_help_flag("-h,--help", "print this help and exit")->group("Information");
    return sweep;
}

void AddInformation(CLI::App &app, Options &o) {
    app.set_help_flag("-h,--help", "print this help and exit")->group("Information");
    app.set_version_flag("--version", VersionText(), "print the version and the licence")
        ->group("Information");
    app.add_flag_callback(
           "--list-fields",
           [&o] {
               for (const auto &name : SettableFieldNames())
                   o.helpText += name + "\n";
               throw CLI::Success();
           },
           "print the fields --set takes, one a line")
        ->group("Information")
        ->trigger_on_parse();
}

// The parse itself. --help, --version and --list-fields end it with the text to print.
Failure Parse(CLI::App &app, int argc, char **argv, Options &o) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &) {
        o.help = true;
        o.helpText = app.help(); // the sweep's own when asked after the word sweep
    } catch (const CLI::CallForVersion &) {
        o.help = true;
        o.helpText = VersionText();
    } catch (const CLI::Success &) {
        o.help = true; // --list-fields has put its text
    } catch (const CLI::ArgumentMismatch &e) {
        const std::string what = e.what();
        return "option " + what.substr(0, what.find(':')) + " needs a value";
    } catch (const CLI::ParseError &e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

// What the parse left over: an unknown option, an option of the sweep without the word sweep, or
// a word that is no option.
Failure LeftOver(const CLI::App &app, const CLI::App &sweep) {
    const auto rest = app.remaining();
    if (rest.empty())
        return std::nullopt;
    const std::string &first = rest.front();
    if (first.size() < 2 || first[0] != '-')
        return "unexpected argument '" + first + "'";
    const std::string name = first.substr(0, first.find('='));
    if (sweep.get_option_no_throw(name) != nullptr)
        return "option " + name + " belongs to 'spi-sim sweep'";
    return "unknown option '" + name + "'";
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
        return "--param " + o.sweepField + ": not a numeric parameter field (see --list-fields)";
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
    if (p.maxWords) {
        if (o.words && *o.words != *p.maxWords)
            return "--words and --max-words both give NB; give one";
        o.words = p.maxWords;
    }
    if (o.maxWordErrors > 0 && !o.stat2)
        return "--max-word-errors applies to --test stat2 only";
    return o.sweep ? CheckSweep(o, p) : std::nullopt;
}

} // namespace

const char *UsageText() {
    return "usage: spi-sim [--data FILE] [--structure dk|ru] [--test stat1|stat2] [--words NB]\n"
           "               [--length n] [--seed S] [--set FIELD=VALUE]... [--code "
           "TYPE[:NUMBER]]...\n"
           "               [--taps ROW,ROW,...] [--rate up|down]\n"
           "               [--max-word-errors N] [--max-words NB] [--threads N] [--generator "
           "model|philox]\n"
           "               [--report FILE|- [--plain]] [--json FILE|-] [--save-data FILE] "
           "[--quiet]\n"
           "       spi-sim sweep --param FIELD (--from A --to B --step S | --values a,b,...)\n"
           "               [model and run options as above] [--csv FILE|-] [--json FILE|-] [--svg "
           "FILE]\n"
           "               [--quiet]\n"
           "       spi-sim --help | --version | --list-fields\n";
}

std::string VersionText() {
    return "spi-sim " + std::string(kVersion) + "\nLicence: " + std::string(kLicence) + "\n";
}

std::optional<Options> ParseOptions(int argc, char **argv, std::string *error) {
    Options o;
    o.command.assign(argv, argv + argc);
    Pending p;
    CLI::App app("spi-sim runs the transmission chain as a user of the workstation would: the\n"
                 "defaults, --data, the model options in the order given, the structure, the\n"
                 "channel and coder steps, the test run, then the outputs.",
                 "spi-sim");
    app.allow_extras(); // said in spi-sim's own words (LeftOver)
    app.footer("Exit codes: 0 a completed run; 2 a refused run (the system's message is on\n"
               "standard error) or an output that could not be written; 64 a bad option.");
    app.get_formatter()->column_width(28);
    AddModelOptions(app, o);
    AddRunOptions(app, o, p);
    AddOutputOptions(app, o);
    AddInformation(app, o);
    const CLI::App &sweep = AddSweep(app, o, p);
    Failure failure = Parse(app, argc, argv, o);
    if (!failure && !o.help) {
        o.sweep = sweep.parsed();
        failure = LeftOver(app, sweep);
        if (!failure)
            failure = CheckTogether(o, p);
    }
    if (failure) {
        *error = std::move(*failure);
        return std::nullopt;
    }
    return o;
}

} // namespace spi::cli

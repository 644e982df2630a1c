#include "cli/cli_options.h"

#include "research/sweep.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace spi::cli {

namespace {

template <class T> bool ParseWhole(const std::string &s, T &out) {
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ParseReal(const std::string &s, double &out) {
    if (s.empty())
        return false;
    const char *b = s.data() + (s[0] == '+' ? 1 : 0);
    const char *e = s.data() + s.size();
    const auto [end, ec] = std::from_chars(b, e, out, std::chars_format::general);
    return ec == std::errc() && end == e && std::isfinite(out);
}

// A + i*S printed to 15 significant digits and read back: 0.1 steps give 0.3, not
// 0.30000000000000004, which is what the user meant and what a dialog would be typed.
double Clean(double x) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    double y = x;
    if (ec == std::errc())
        std::from_chars(buf, end, y, std::chars_format::general);
    return y;
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
    auto fail = [&](std::string why) -> std::optional<Options> {
        *error = std::move(why);
        return std::nullopt;
    };
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "sweep") == 0) {
        o.sweep = true;
        first = 2;
    }
    std::optional<double> from, to, step;
    std::optional<std::int32_t> maxWords;
    bool valuesGiven = false;
    std::vector<std::string> sweepOnly;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos && arg != "--set") {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInlineValue = true;
            }
        }
        auto next = [&](std::string &out) -> bool {
            if (hasInlineValue) {
                out = value;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        auto needsValue = [&](const std::string &name) {
            return "option " + name + " needs a value";
        };

        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--plain") {
            o.plainReport = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--data" || arg == "--report" || arg == "--json" ||
                   arg == "--save-data" || arg == "--csv" || arg == "--svg" || arg == "--param") {
            std::string v;
            if (!next(v) || v.empty())
                return fail(needsValue(arg));
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
                sweepOnly.push_back(arg);
        } else if (arg == "--structure") {
            std::string v;
            if (!next(v))
                return fail(needsValue(arg));
            if (v == "dk")
                o.structure = 1;
            else if (v == "ru")
                o.structure = 2;
            else
                return fail("--structure must be dk or ru, not '" + v + "'");
        } else if (arg == "--test") {
            std::string v;
            if (!next(v))
                return fail(needsValue(arg));
            if (v == "stat1")
                o.stat2 = false;
            else if (v == "stat2")
                o.stat2 = true;
            else
                return fail("--test must be stat1 or stat2, not '" + v + "'");
        } else if (arg == "--words" || arg == "--length" || arg == "--max-words") {
            std::string v;
            std::int32_t x = 0;
            if (!next(v))
                return fail(needsValue(arg));
            if (!ParseWhole(v, x))
                return fail(arg + " needs a whole number, not '" + v + "'");
            (arg == "--words" ? o.words : arg == "--length" ? o.length : maxWords) = x;
        } else if (arg == "--max-word-errors") {
            std::string v;
            long long x = 0;
            if (!next(v))
                return fail(needsValue(arg));
            if (!ParseWhole(v, x) || x < 1)
                return fail("--max-word-errors needs a whole number of at least 1, not '" + v +
                            "'");
            o.maxWordErrors = x;
        } else if (arg == "--threads") {
            std::string v;
            int x = 0;
            if (!next(v))
                return fail(needsValue(arg));
            if (!ParseWhole(v, x) || x < 1 || x > kMaxThreads)
                return fail("--threads needs a whole number 1.." + std::to_string(kMaxThreads) +
                            ", not '" + v + "'");
            o.threads = x;
        } else if (arg == "--seed") {
            std::string v;
            std::uint32_t x = 0;
            if (!next(v))
                return fail(needsValue(arg));
            if (!ParseWhole(v, x))
                return fail("--seed needs a whole number 0..4294967295, not '" + v + "'");
            o.seed = x;
        } else if (arg == "--from" || arg == "--to" || arg == "--step") {
            std::string v;
            double x = 0;
            if (!next(v))
                return fail(needsValue(arg));
            if (!ParseReal(v, x))
                return fail(arg + " needs a finite number, not '" + v + "'");
            (arg == "--from" ? from : arg == "--to" ? to : step) = x;
            sweepOnly.push_back(arg);
        } else if (arg == "--values") {
            std::string v;
            if (!next(v) || v.empty())
                return fail(needsValue(arg));
            o.sweepValues.clear();
            std::size_t at = 0;
            while (true) {
                const auto comma = v.find(',', at);
                const std::string item =
                    v.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
                double x = 0;
                if (!ParseReal(item, x))
                    return fail("--values needs finite numbers separated by commas, not '" + item +
                                "'");
                o.sweepValues.push_back(x);
                if (o.sweepValues.size() > kMaxSweepPoints)
                    return fail("a sweep has at most " + std::to_string(kMaxSweepPoints) +
                                " points");
                if (comma == std::string::npos)
                    break;
                at = comma + 1;
            }
            valuesGiven = true;
            sweepOnly.push_back(arg);
        } else if (arg == "--set") {
            std::string v;
            if (!next(v))
                return fail(needsValue(arg));
            if (v.find('=') == std::string::npos)
                return fail("--set needs FIELD=VALUE, not '" + v + "'");
            o.assignments.push_back({Assignment::Set, v});
        } else if (arg == "--code" || arg == "--taps" || arg == "--rate") {
            std::string v;
            if (!next(v))
                return fail(needsValue(arg));
            if (arg == "--rate" && v != "up" && v != "down")
                return fail("--rate must be up or down, not '" + v + "'");
            const auto kind = arg == "--code"   ? Assignment::Code
                              : arg == "--taps" ? Assignment::Taps
                                                : Assignment::Rate;
            o.assignments.push_back({kind, v});
        } else {
            return fail("unknown option '" + arg + "'");
        }
    }
    if (o.plainReport && !o.reportFile)
        return fail("--plain needs --report");
    if (o.help)
        return o;
    if (maxWords) {
        if (o.words && *o.words != *maxWords)
            return fail("--words and --max-words both give NB; give one");
        o.words = maxWords;
    }
    if (o.maxWordErrors > 0 && !o.stat2)
        return fail("--max-word-errors applies to --test stat2 only");

    if (!o.sweep) {
        if (!sweepOnly.empty())
            return fail("option " + sweepOnly.front() + " belongs to 'spi-sim sweep'");
        return o;
    }
    if (o.reportFile || o.saveDataFile)
        return fail(std::string(o.reportFile ? "--report" : "--save-data") +
                    " is not available with sweep");
    if (o.sweepField.empty())
        return fail("sweep needs --param FIELD");
    const auto fields = SweepableFieldNames();
    if (std::find(fields.begin(), fields.end(), o.sweepField) == fields.end())
        return fail("--param " + o.sweepField + ": not a numeric parameter field (see --set)");
    if (valuesGiven) {
        if (from || to || step)
            return fail("give either --values or --from, --to and --step");
    } else {
        if (!from || !to || !step)
            return fail("sweep needs --values or all of --from, --to and --step");
        const double span = (*to - *from) / *step;
        if (*step == 0 || !std::isfinite(span) || span < 0)
            return fail("--step " + std::to_string(*step) + " does not lead from --from to --to");
        // A relative allowance so that 0..1 by 0.1 ends at 1 whatever the rounding of the division.
        const double count = std::floor(span + 1e-9) + 1;
        if (count > static_cast<double>(kMaxSweepPoints))
            return fail("a sweep has at most " + std::to_string(kMaxSweepPoints) + " points");
        for (int i = 0; i < static_cast<int>(count); ++i)
            o.sweepValues.push_back(Clean(*from + i * *step));
    }
    if (o.csvFile && o.jsonFile && *o.csvFile == "-" && *o.jsonFile == "-")
        return fail("--csv and --json cannot both write to standard output");
    return o;
}

} // namespace spi::cli

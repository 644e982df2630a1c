#include "cli/cli_options.h"

#include <charconv>
#include <cstring>

namespace spi::cli {

namespace {

template <class T>
bool ParseWhole(const std::string &s, T &out) {
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

} // namespace

const char *UsageText() {
    return "usage: spi-sim [--data FILE] [--structure dk|ru] [--test stat1|stat2] [--words NB]\n"
           "               [--length n] [--seed S] [--set FIELD=VALUE]... [--code TYPE[:NUMBER]]...\n"
           "               [--taps ROW,ROW,...] [--rate up|down]\n"
           "               [--report FILE|- [--plain]] [--json FILE|-] [--save-data FILE] [--quiet]\n";
}

std::optional<Options> ParseOptions(int argc, char **argv, std::string *error) {
    Options o;
    auto fail = [&](std::string why) -> std::optional<Options> {
        *error = std::move(why);
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
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
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto needsValue = [&](const std::string &name) { return "option " + name + " needs a value"; };

        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--plain") {
            o.plainReport = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--data" || arg == "--report" || arg == "--json" || arg == "--save-data") {
            std::string v;
            if (!next(v) || v.empty()) return fail(needsValue(arg));
            if (arg == "--data") o.dataFile = v;
            else if (arg == "--report") o.reportFile = v;
            else if (arg == "--json") o.jsonFile = v;
            else o.saveDataFile = v;
        } else if (arg == "--structure") {
            std::string v;
            if (!next(v)) return fail(needsValue(arg));
            if (v == "dk") o.structure = 1;
            else if (v == "ru") o.structure = 2;
            else return fail("--structure must be dk or ru, not '" + v + "'");
        } else if (arg == "--test") {
            std::string v;
            if (!next(v)) return fail(needsValue(arg));
            if (v == "stat1") o.stat2 = false;
            else if (v == "stat2") o.stat2 = true;
            else return fail("--test must be stat1 or stat2, not '" + v + "'");
        } else if (arg == "--words" || arg == "--length") {
            std::string v;
            std::int32_t x = 0;
            if (!next(v)) return fail(needsValue(arg));
            if (!ParseWhole(v, x)) return fail(arg + " needs a whole number, not '" + v + "'");
            (arg == "--words" ? o.words : o.length) = x;
        } else if (arg == "--seed") {
            std::string v;
            std::uint32_t x = 0;
            if (!next(v)) return fail(needsValue(arg));
            if (!ParseWhole(v, x)) return fail("--seed needs a whole number 0..4294967295, not '" + v + "'");
            o.seed = x;
        } else if (arg == "--set") {
            std::string v;
            if (!next(v)) return fail(needsValue(arg));
            if (v.find('=') == std::string::npos) return fail("--set needs FIELD=VALUE, not '" + v + "'");
            o.assignments.push_back({Assignment::Set, v});
        } else if (arg == "--code" || arg == "--taps" || arg == "--rate") {
            std::string v;
            if (!next(v)) return fail(needsValue(arg));
            if (arg == "--rate" && v != "up" && v != "down") return fail("--rate must be up or down, not '" + v + "'");
            const auto kind = arg == "--code" ? Assignment::Code : arg == "--taps" ? Assignment::Taps : Assignment::Rate;
            o.assignments.push_back({kind, v});
        } else {
            return fail("unknown option '" + arg + "'");
        }
    }
    if (o.plainReport && !o.reportFile) return fail("--plain needs --report");
    return o;
}

} // namespace spi::cli

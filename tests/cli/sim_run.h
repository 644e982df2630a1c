// spi-sim run in the test process: the options parsed, the session run on a model of its own.
#pragma once

#include "cli/batch_session.h"
#include "cli/cli_options.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace spi::cli::test_support {

struct Outcome {
    int code = -1;
    std::string out, err;
    RecordingNotifier note;
    std::unique_ptr<ModelState> model;
};

inline Outcome SimRun(std::vector<std::string> args) {
    args.insert(args.begin(), "spi-sim");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    Outcome o;
    std::string error;
    const auto options = ParseOptions(static_cast<int>(argv.size()), argv.data(), &error);
    if (!options) {
        o.code = kExitUsage;
        o.err = error;
        return o;
    }
    o.model = MakeModel();
    std::ostringstream out, err;
    o.code = RunBatch(*options, *o.model, o.note, out, err, nullptr);
    o.out = out.str();
    o.err = err.str();
    return o;
}

// The value of a top-level key of a JSON record, as text.
inline std::string JsonValue(const std::string &json, const std::string &key) {
    const auto at = json.find("\"" + key + "\": ");
    if (at == std::string::npos)
        return "<missing>";
    const auto from = at + key.size() + 4;
    const auto to = json.find_first_of(",\n}", json[from] == '[' ? json.find(']', from) : from);
    return json.substr(from, to - from);
}

} // namespace spi::cli::test_support

// spi-sim run in the test process: the options parsed, the session run on a model of its own.
#pragma once

#include "cli/batch_session.h"
#include "cli/cli_options.h"

#include <nlohmann/json.hpp>

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

// The value of a top-level key of a JSON record, or of a JSON pointer ("/points/0/pErrIn"), as
// JSON text; "<missing>" when the record has none or is no JSON.
inline std::string JsonValue(const std::string &json, const std::string &key) {
    const auto j = nlohmann::json::parse(json, nullptr, false);
    const auto at = nlohmann::json::json_pointer(key.rfind('/', 0) == 0 ? key : "/" + key);
    if (j.is_discarded() || !j.contains(at))
        return "<missing>";
    return j.at(at).dump();
}

} // namespace spi::cli::test_support

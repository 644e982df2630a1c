// The JSON the io layer writes: keys in the order they are set, an indent of two, text in UTF-8 as
// it stands (a byte that is not UTF-8 shows as U+FFFD), every double in the shortest text that
// reads back to the same double, and a value that is not finite as null.
#pragma once

#include "io/run_json.h"

#include <nlohmann/json.hpp>

#include <string>

namespace spi {

using OrderedJson = nlohmann::ordered_json;

inline std::string JsonText(const OrderedJson &j) {
    return j.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

// The provenance keys after the record's own.
inline void AddProvenance(OrderedJson &j, const Provenance &from) {
    j["version"] = from.version;
    if (!from.command.empty())
        j["command"] = from.command;
    if (from.threads)
        j["threads"] = *from.threads;
    j["generator"] = from.generator == Generator::Philox ? "philox" : "model";
}

} // namespace spi

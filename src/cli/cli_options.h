// The command line of spi-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spi::cli {

// The model-changing options, kept in the order given.
struct Assignment {
    enum Kind { Set, Code, Taps, Rate } kind = Set;
    std::string text; // FIELD=VALUE, TYPE[:NUMBER], ROW,ROW,..., up|down
};

struct Options {
    std::optional<std::string> dataFile;
    int structure = 1; // 1 dk, 2 ru
    bool stat2 = true;
    std::optional<std::int32_t> words;
    std::optional<std::int32_t> length;
    std::optional<std::uint32_t> seed;
    std::vector<Assignment> assignments;
    std::optional<std::string> reportFile;
    bool plainReport = false;
    std::optional<std::string> jsonFile;
    std::optional<std::string> saveDataFile;
    bool quiet = false;
    bool help = false;
};

// Parses argv; on a bad option returns nullopt and puts the reason in *error.
std::optional<Options> ParseOptions(int argc, char **argv, std::string *error);

const char *UsageText();

} // namespace spi::cli

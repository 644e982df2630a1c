// The command line of spi-sim.
#pragma once

#include "model/random.h"

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

// A sweep has at most this many points, so that a mistyped step is a usage error, not a run of
// days.
inline constexpr std::size_t kMaxSweepPoints = 10000;
// More threads than this only divide the words finer; a number beyond it is a typing error.
inline constexpr int kMaxThreads = 256;

struct Options {
    std::optional<std::string> dataFile;
    int structure = 1; // 1 dk, 2 ru
    bool stat2 = true;
    std::optional<std::int32_t> words; // --words or --max-words: NB, the ceiling of a stopped run
    std::optional<std::int32_t> length;
    std::optional<std::uint32_t> seed;
    std::vector<Assignment> assignments;
    std::optional<std::string> reportFile;
    bool plainReport = false;
    std::optional<std::string> jsonFile;
    std::optional<std::string> saveDataFile;
    bool quiet = false;
    // --help, --version or --list-fields: helpText goes to standard output, and nothing runs.
    bool help = false;
    std::string helpText;
    std::vector<std::string> command; // the arguments as given, for the records' provenance

    long long maxWordErrors = 0; // --max-word-errors; 0: every word of NB runs
    int threads = 1;
    Generator generator = Generator::Model; // --generator

    // spi-sim sweep
    bool sweep = false;
    std::string sweepField;
    std::vector<double> sweepValues;
    std::optional<std::string> csvFile;
    std::optional<std::string> svgFile;
};

// Parses argv; on a bad option returns nullopt and puts the reason, naming the option, in *error.
std::optional<Options> ParseOptions(int argc, char **argv, std::string *error);

// The short usage that follows the message of a bad option.
const char *UsageText();
// "spi-sim 1.0.0" and the licence, as --version prints them.
std::string VersionText();

} // namespace spi::cli

// spi-sim's command line on any arguments (the input split at NUL bytes): the option parser, every
// --set value on its own, and the whole batch session with a few words. Every answer is an exit
// code of the three the front end has, with a message for each refusal; a refused --set changes
// nothing. Paths the input names are replaced by scratch files: the fuzzer writes nowhere else.
#include "fuzz_common.h"

#include "cli/batch_session.h"
#include "cli/cli_options.h"
#include "cli/field_setters.h"
#include "io/data_file.h"

#include <algorithm>
#include <sstream>

using namespace spi;
using namespace spi::fuzz;

namespace {

std::vector<std::string> SplitArguments(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> args{"spi-sim"};
    std::string current;
    for (std::size_t i = 0; i < size && args.size() < 40; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty())
        args.push_back(current);
    return args;
}

// Outputs go to stdout or the scratch folder; a data file is a good one, a short one or none.
void KeepInsideTheScratchFolder(cli::Options &o) {
    static const std::string good = [] {
        const std::string path = ScratchPath("good.dat");
        SilentNotifier silent;
        SPI_FUZZ_CHECK(SaveDataFile(*MakeModel(), path, silent));
        return path;
    }();
    static const std::string shortFile = [] {
        const std::string path = ScratchPath("short.dat");
        WriteBytes(path, "123", 3);
        return path;
    }();
    if (o.dataFile) {
        const std::size_t pick = o.dataFile->size() % 3;
        o.dataFile = pick == 0 ? good : pick == 1 ? shortFile : ScratchPath("missing.dat");
    }
    auto redirect = [](std::optional<std::string> &file, const char *name) {
        if (file && *file != "-")
            file = ScratchPath(name);
    };
    redirect(o.reportFile, "out.rez");
    redirect(o.jsonFile, "out.json");
    redirect(o.csvFile, "out.csv");
    redirect(o.svgFile, "out.svg");
    if (o.saveDataFile)
        o.saveDataFile = ScratchPath("out");
}

// A session with a run the harnesses leave out; each point of a sweep is the plain run with its
// value set last.
bool SessionToSkip(const cli::Options &o) {
    if (!o.stat2)
        return false;
    if (!o.sweep)
        return BatchToSkip(o, *MakeModel());
    for (const double v : o.sweepValues) {
        cli::Options point = o;
        point.sweep = false;
        char value[40];
        std::snprintf(value, sizeof value, "%.17g", v);
        point.assignments.push_back({cli::Assignment::Set, o.sweepField + "=" + value});
        if (BatchToSkip(point, *MakeModel()))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    auto args = SplitArguments(data, size);
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // Each FIELD=VALUE on its own: taken whole, or refused with a reason and nothing changed.
    auto probe = MakeModel();
    for (const auto &a : args) {
        if (a.find('=') == std::string::npos)
            continue;
        const auto before = Image(*probe);
        std::string why;
        if (!cli::SetField(*probe, a, &why)) {
            SPI_FUZZ_CHECK(!why.empty());
            SPI_FUZZ_CHECK(SameImage(*probe, before));
        }
    }

    std::string error;
    auto options = cli::ParseOptions(static_cast<int>(args.size()), argv.data(), &error);
    if (!options) {
        SPI_FUZZ_CHECK(!error.empty());
        return 0;
    }
    if (options->help)
        return 0;
    for (const auto &a : options->assignments) {
        const bool threshold =
            a.text.rfind("ruThreshold1=", 0) == 0 || a.text.rfind("ruThreshold2=", 0) == 0;
        if (threshold && SlowChannelCalculation(std::atof(a.text.c_str() + 13), 0))
            return 0;
    }
    if (options->sweep &&
        (options->sweepField == "ruThreshold1" || options->sweepField == "ruThreshold2"))
        for (const double v : options->sweepValues)
            if (SlowChannelCalculation(v, 0))
                return 0;
    KeepInsideTheScratchFolder(*options);
    // A few words, threads and points: negative and zero counts stay, so that their refusals are
    // reached.
    options->words = std::min(options->words.value_or(4), 16);
    options->threads = std::min(options->threads, 2);
    if (options->sweepValues.size() > 3)
        options->sweepValues.resize(3);
    if (options->length)
        options->length = std::min(*options->length, 2200);

    if (SessionToSkip(*options))
        return 0;
    auto m = MakeModel();
    RecordingNotifier n;
    std::ostringstream out, err;
    const int code = cli::RunBatch(*options, *m, n, out, err, nullptr);
    SPI_FUZZ_CHECK(code == cli::kExitOk || code == cli::kExitRefused || code == cli::kExitUsage);
    if (code == cli::kExitUsage)
        SPI_FUZZ_CHECK(!err.str().empty());
    if (code == cli::kExitRefused)
        SPI_FUZZ_CHECK(!n.entries.empty() || !err.str().empty());
    if (code == cli::kExitOk && !options->sweep) {
        if (!options->quiet)
            SPI_FUZZ_CHECK(!out.str().empty());
        // A completed run's distribution is normalised over its words.
        const int length = options->stat2 ? m->codeN : m->stat1WordLength;
        SPI_FUZZ_CHECK(length >= 1 && length <= kMaxWord);
        long double sum = 0;
        for (int i = 0; i <= length; ++i)
            sum += m->multBefore[static_cast<std::size_t>(i)];
        SPI_FUZZ_CHECK(std::fabs(static_cast<double>(sum) - 1.0) < 1e-9);
    }
    return 0;
}

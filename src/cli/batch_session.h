// The user's steps of one spi-sim invocation, in the order a user of the workstation takes them.
#pragma once

#include "chain/stat_runs.h"
#include "cli/cli_options.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <ostream>

namespace spi::cli {

enum ExitCode : int { kExitOk = 0, kExitRefused = 2, kExitUsage = 64 };

// How the runs of this invocation are divided beyond the threads of this process (over the MPI
// processes). Without one, RunInParallel runs each test here.
class RunDivision {
public:
    virtual ~RunDivision() = default;
    virtual RunResult Run(ModelState &m, bool stat2, int threads, const RunOptions &options,
                          Notifier &notifier, RunProgress *progress) = 0;
    // Only one of the processes writes the outputs and the summary.
    virtual bool WritesOutputs() const = 0;
};

// Runs every step on m and writes the outputs; returns the exit code. Bad option values are
// reported on err with the usage line. A sweep leaves m as its points start from.
int RunBatch(const Options &options, ModelState &m, Notifier &notifier, std::ostream &out,
             std::ostream &err, RunProgress *progress, RunDivision *division = nullptr);

} // namespace spi::cli

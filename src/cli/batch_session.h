// The user's steps of one spi-sim invocation, in the order a user of the workstation takes them.
#pragma once

#include "cli/cli_options.h"
#include "core/model_state.h"
#include "core/notifier.h"
#include "core/test_runs.h"

#include <ostream>

namespace spi::cli {

enum ExitCode : int { kExitOk = 0, kExitRefused = 2, kExitUsage = 64 };

// Runs every step on m and writes the outputs; returns the exit code. Bad option values are
// reported on err with the usage line.
int RunBatch(const Options &options, ModelState &m, Notifier &notifier, std::ostream &out,
             std::ostream &err, RunProgress *progress);

} // namespace spi::cli

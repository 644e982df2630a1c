// One spi-sim invocation: its options turned into the user's steps (research/user_steps.h) in the
// order a user of the workstation takes them, and the results printed.
#pragma once

#include "chain/stat_runs.h"
#include "cli/cli_options.h"
#include "model/model_state.h"
#include "model/notifier.h"
#include "research/user_steps.h"

#include <ostream>

namespace spi::cli {

enum ExitCode : int { kExitOk = 0, kExitRefused = 2, kExitUsage = 64 };

// Runs every step on m and writes the outputs; returns the exit code. --help, --version and
// --list-fields print their text and run nothing. Bad option values are
// reported on err with the usage line. A sweep leaves m as its points start from. A division runs
// each test over the MPI processes as well (cli/mpi_run.h).
int RunBatch(const Options &options, ModelState &m, Notifier &notifier, std::ostream &out,
             std::ostream &err, RunProgress *progress, RunDivision *division = nullptr);

} // namespace spi::cli

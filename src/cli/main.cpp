// spi-sim: the batch front end. It takes the steps a user of the workstation would take, runs one
// test (or one test at each value of a sweep) and writes its results.
#include "cli/batch_session.h"
#include "cli/cli_options.h"
#include "cli/progress_bar.h"

#ifdef SPI_MPI
#include "cli/mpi_run.h"

#include <mpi.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

class StderrNotifier : public spi::Notifier {
public:
    void Message(spi::MessageKind, std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
};

// Under MPI only the first process speaks; the others run the same steps silently.
int Run(int argc, char **argv, spi::RunDivision *division, bool speaks) {
    std::ostream nowhere(nullptr);
    std::ostream &out = speaks ? std::cout : nowhere;
    std::ostream &err = speaks ? std::cerr : nowhere;
    std::string error;
    const auto options = spi::cli::ParseOptions(argc, argv, &error);
    if (!options) {
        err << "spi-sim: " << error << "\n" << spi::cli::UsageText();
        return spi::cli::kExitUsage;
    }
    auto model = spi::MakeModel();
    StderrNotifier notifier;
    spi::SilentNotifier silent;
    spi::cli::TerminalProgress bar(stderr);
    const bool showBar = speaks && !options->quiet && isatty(STDERR_FILENO);
    return spi::cli::RunBatch(*options, *model,
                              speaks ? static_cast<spi::Notifier &>(notifier) : silent, out, err,
                              showBar ? &bar : nullptr, division);
}

#ifdef SPI_MPI
// Started by mpirun (Open MPI, or a launcher speaking PMI or PMIx). Without one, spi-sim runs as
// the plain program: a singleton MPI start would fork a daemon and need shared-memory files for a
// run that has no one to share with.
bool UnderMpiLauncher() {
    for (const char *name : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
        if (std::getenv(name))
            return true;
    return false;
}
#endif

int RunAlone(int argc, char **argv) {
    try {
        return Run(argc, argv, nullptr, true);
    } catch (const std::exception &e) {
        std::cerr << "spi-sim: " << e.what() << "\n";
        return spi::cli::kExitRefused;
    }
}

} // namespace

int main(int argc, char **argv) {
#ifdef SPI_MPI
    if (!UnderMpiLauncher())
        return RunAlone(argc, argv);
    MPI_Init(&argc, &argv);
    int code = spi::cli::kExitRefused;
    {
        spi::cli::MpiDivision division;
        try {
            code = Run(argc, argv, &division, division.Rank() == 0);
        } catch (const std::exception &e) {
            std::cerr << "spi-sim: " << e.what() << "\n";
            // The other processes may be waiting in a collective call for this one.
            if (division.Ranks() > 1)
                MPI_Abort(MPI_COMM_WORLD, spi::cli::kExitRefused);
        }
    }
    MPI_Finalize();
    return code;
#else
    return RunAlone(argc, argv);
#endif
}

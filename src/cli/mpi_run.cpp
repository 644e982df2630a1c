#include "cli/mpi_run.h"

#include "research/divided_run.h"

#include <mpi.h>

#include <algorithm>
#include <vector>

namespace spi::cli {

MpiDivision::MpiDivision() {
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &ranks_);
}

RunResult MpiDivision::Run(ModelState &m, bool stat2, int threads, const RunOptions &options,
                           Notifier &notifier, RunProgress *progress) {
    if (ranks_ == 1)
        return RunInParallel(m, stat2, threads, options, notifier, progress);
    std::uint32_t seed = 0;
    if (rank_ == 0)
        seed = m.fixedSeed ? *m.fixedSeed : ClockSeed();
    MPI_Bcast(&seed, 1, MPI_UINT32_T, 0, MPI_COMM_WORLD);

    const auto fixedSeed = m.fixedSeed;
    m.fixedSeed = seed;
    RunResult r = RunPartsKeepingCounts(m, stat2, threads, rank_ * threads, ranks_ * threads,
                                        options, notifier, progress);
    m.fixedSeed = fixedSeed;

    // Every process takes part in every collective call, whatever its own run did.
    int worst = OutcomeSeverity(r.outcome);
    MPI_Allreduce(MPI_IN_PLACE, &worst, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    if (worst != 0) {
        if (r.outcome == RunOutcome::Completed)
            r.outcome = OutcomeOfSeverity(worst);
        return r;
    }

    const int n = stat2 ? m.codeN : m.stat1WordLength;
    const int k = stat2 ? m.codeK : -1;
    std::vector<double> counts(m.multBefore.begin(), m.multBefore.begin() + n + 1);
    if (stat2)
        counts.insert(counts.end(), m.multAfter.begin(), m.multAfter.begin() + k + 1);
    long long totals[2] = {r.words, m.detectedBlockCount};
    // Every process lays the batches over the same blocks, so their tallies add up cell by cell.
    std::vector<long long> &batches = m.batchTally.cells;
    const int batchCells = static_cast<int>(batches.size());
    if (rank_ == 0) {
        MPI_Reduce(MPI_IN_PLACE, counts.data(), static_cast<int>(counts.size()), MPI_DOUBLE,
                   MPI_SUM, 0, MPI_COMM_WORLD);
        MPI_Reduce(MPI_IN_PLACE, totals, 2, MPI_LONG_LONG, MPI_SUM, 0, MPI_COMM_WORLD);
        MPI_Reduce(MPI_IN_PLACE, batches.data(), batchCells, MPI_LONG_LONG, MPI_SUM, 0,
                   MPI_COMM_WORLD);
    } else {
        MPI_Reduce(counts.data(), nullptr, static_cast<int>(counts.size()), MPI_DOUBLE, MPI_SUM, 0,
                   MPI_COMM_WORLD);
        MPI_Reduce(totals, nullptr, 2, MPI_LONG_LONG, MPI_SUM, 0, MPI_COMM_WORLD);
        MPI_Reduce(batches.data(), nullptr, batchCells, MPI_LONG_LONG, MPI_SUM, 0, MPI_COMM_WORLD);
        return r;
    }
    std::copy(counts.begin(), counts.begin() + n + 1, m.multBefore.begin());
    if (stat2)
        std::copy(counts.begin() + n + 1, counts.end(), m.multAfter.begin());
    m.detectedBlockCount = static_cast<std::int32_t>(totals[1]);
    return FinishDividedRun(m, stat2, totals[0]);
}

} // namespace spi::cli

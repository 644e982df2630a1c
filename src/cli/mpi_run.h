// spi-sim under mpirun: each run divided over the processes as well as their threads.
#pragma once

#include "cli/batch_session.h"

namespace spi::cli {

// Process r of K runs parts r*T .. r*T+T-1 of a run divided into K*T parts (T = --threads), from
// the seed of process 0 (its --seed, or the clock read once there), so that K processes of T
// threads count exactly what one process of K*T threads counts, the stopping rule included (each
// part stops on its own share of the N errors, core/sweep.h). The raw counts are added up on
// process 0 (MPI_Reduce), which alone normalises them and writes the outputs.
class MpiDivision : public RunDivision {
public:
    MpiDivision(); // MPI_Init has been called
    int Rank() const { return rank_; }
    int Ranks() const { return ranks_; }
    RunResult Run(ModelState &m, bool stat2, int threads, const RunOptions &options,
                  Notifier &notifier, RunProgress *progress) override;
    bool WritesOutputs() const override { return rank_ == 0; }

private:
    int rank_ = 0;
    int ranks_ = 1;
};

} // namespace spi::cli

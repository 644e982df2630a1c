// spi-sim under mpirun: each run divided over the processes as well as their threads.
#pragma once

#include "cli/batch_session.h"

namespace spi::cli {

// Process r of K runs parts r*T .. r*T+T-1 of a run divided into K*T parts (T = --threads), from
// the seed of process 0 (its --seed, or the clock read once there), so that K processes of T
// threads count exactly what one process of K*T threads counts. The raw counts are added up on
// process 0 (MPI_Reduce), which alone normalises them and writes the outputs.
//
// The stopping rule cannot share a count between processes without stopping them to talk: each
// process stops on its own share ceil(N/K) of the N decoded words in error (over its threads), so
// the sum ends with at least N errors unless a process ran out of its words first, and exceeds N
// by at most K*ceil(N/K) - N + K*(T-1). With K = 1 it is the rule of a single process.
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

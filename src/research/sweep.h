// Sweeps: one test repeated over a range of one parameter, each point taking the steps a user of
// the workstation takes between changing the parameter and a run.
#pragma once

#include "chain/stat_runs.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace spi {

struct SweepSpec {
    std::string field;          // the parameter varied, by its model name
    std::vector<double> values; // its values, in the order run
    bool stat2 = true;
    int threads = 1;
    RunOptions options;
    // The run of one point, when the caller divides it otherwise (over MPI processes); empty:
    // RunInParallel (research/divided_run.h) with stat2, threads and options.
    std::function<RunResult(ModelState &, Notifier &)> run;
};

struct SweepPoint {
    double value = 0;
    bool completed = false;
    std::string message; // why the point was refused
    long long words = 0;
    double pErrIn = 0, pErrInConf = 0, pErrOut = 0, pErrOutConf = 0;
    double wordErrProbAfter = 0;
    double capacityNoCoder = 0; // Ck of discParams for "ДК", capacityNoCoder2 for "РУ"
    double rateWithCoder = 0;
    bool withCoder = true; // "Стат2": Pвых, the word error rate and the rate were measured
    // What theory says beside the run (RunTheory); empty where it says nothing: the mean error
    // probability of the discrete channel, and for "Стат2" 1 - decodedBound, an upper bound on
    // the word error rate after decoding.
    std::optional<double> theoryPErrIn;
    std::optional<double> theoryWordErrBound;
};

// Runs the test at each value on a copy of base, as a user of the workstation would: for a
// continuous-channel parameter the dialog is accepted with the new value (thresholds proposed as
// it does) and the discrete channel recalculated. onPoint, when given, sees every point as it is
// done and may return false to stop the sweep. Messages of the runs go to the notifier.
std::vector<SweepPoint>
RunSweep(const ModelState &base, const SweepSpec &plan, Notifier &notifier,
         const std::function<bool(const SweepPoint &, int index)> &onPoint = {});

} // namespace spi

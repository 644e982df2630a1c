// Research runs: one test repeated over a range of one parameter, several models running one test
// side by side with their counts added up, and the parameter fields reached by name.
#pragma once

#include "core/model_state.h"
#include "core/notifier.h"
#include "core/test_runs.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace spi {

// Sets a parameter field by its model name, arrays indexed from 0 ("contHp", "discParams[3]",
// "ilvL", "genPolyText", ...). Numbers must fit the field; false with the reason otherwise, and the
// model is unchanged.
bool SetModelField(ModelState &m, const std::string &assignment, std::string *error);
std::vector<std::string> SettableFieldNames();
// The fields a sweep can vary (the numeric parameter fields).
std::vector<std::string> SweepableFieldNames();

// "Стат 1" or "Стат2" run by `threads` models side by side: thread i runs its share of the blocks
// with a seed derived from the model's seed (thread 0 keeps it), the raw counts are added up and
// normalised once, so the statistics are those of one run over all the words. threads = 1 is the
// plain run, bit for bit. The stopping rule of options applies to the sum over the threads.
RunResult RunInParallel(ModelState &m, bool stat2, int threads, const RunOptions &options,
                        Notifier &notifier, RunProgress *progress = nullptr);

struct SweepSpec {
    std::string field;          // the parameter varied, by its model name
    std::vector<double> values; // its values, in the order run
    bool stat2 = true;
    int threads = 1;
    RunOptions options;
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
};

// Runs the test at each value on a copy of base, as a user of the workstation would: for a
// continuous-channel parameter the dialog is accepted with the new value (thresholds proposed as
// it does) and the discrete channel recalculated. onPoint, when given, sees every point as it is
// done and may return false to stop the sweep. Messages of the runs go to the notifier.
std::vector<SweepPoint> RunSweep(const ModelState &base, const SweepSpec &spec, Notifier &notifier,
                                 const std::function<bool(const SweepPoint &, int index)> &onPoint = {});

} // namespace spi
